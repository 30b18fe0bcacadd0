#include "support/CrashReport.h"

#include "platform/Application.h"
#include "platform/Processes.h"
#include "platform/System.h"
#include "support/StringHelpers.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace {

// The system formats the Outlook command line into a buffer of this many characters.
constexpr std::size_t kMaxOutlookCommandLine = 2047;

CrashMessageBoxFunction& MessageBoxFunction() {
    static CrashMessageBoxFunction function;
    return function;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

void AppendPercentEncoded(std::string& out, unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

// A header value of a mail link: everything but the unreserved characters encoded, each line break (CR LF, LF or
// a lone CR) as one CR LF.
std::string EncodeMailtoValue(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            out += "%0D%0A";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (IsUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            AppendPercentEncoded(out, c);
        }
    }
    return out;
}

// An address of a mail link: the characters an address may carry there as they are, the others encoded.
std::string EncodeMailtoAddress(std::string_view address) {
    static constexpr std::string_view kAllowed = "!$'()*+,;:@";
    std::string out;
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c) || kAllowed.find(ch) != std::string_view::npos)
            out += ch;
        else
            AppendPercentEncoded(out, c);
    }
    return out;
}

// The length of UTF-8 text in UTF-16 units, as the system counts the command line.
std::size_t Utf16Length(std::string_view text) {
    std::size_t length = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80)
            length += c >= 0xF0 ? 2 : 1;
    }
    return length;
}

} // namespace

CrashReportSettings& GetCrashReportSettings() {
    static CrashReportSettings settings;
    return settings;
}

void SetCrashReportAppName(std::string name) {
    GetCrashReportSettings().appName = std::move(name);
}

void SetCrashReportAppVersion(std::string version) {
    GetCrashReportSettings().appVersion = std::move(version);
}

void SetCrashReportEmail(std::string address) {
    GetCrashReportSettings().email = std::move(address);
}

void SetCrashReportIconId(int iconId) {
    GetCrashReportSettings().iconId = iconId;
}

std::string ExpandPlaceholders(std::string text, const CrashReportSettings& settings, std::string_view dumpFile,
                               std::string_view windowsVersion) {
    ReplaceAll(text, "%app_name%", settings.appName, false);
    ReplaceAll(text, "%app_version%", settings.appVersion, false);
    ReplaceAll(text, "%email%", settings.email, false);
    ReplaceAll(text, "%dump_file%", dumpFile, false);
    ReplaceAll(text, "%winver%", windowsVersion, false);
    return text;
}

UtcTime UtcTimeFromUnixSeconds(long long seconds) {
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days to the proleptic Gregorian calendar, counting in 400-year eras that start on 1 March.
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthFromMarch = (5 * dayOfYear + 2) / 153;
    UtcTime time;
    time.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    time.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest / 60 % 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

UtcTime CurrentUtcTime() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return UtcTimeFromUnixSeconds(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

std::string FormatDumpFileName(std::string_view programFileName, std::string_view version,
                               std::string_view windowsVersion, const UtcTime& time) {
    char when[80];
    std::snprintf(when, sizeof when, "%d-%d-%d_%d.%d.%d.dmp", time.year, time.month, time.day, time.hour, time.minute,
                  time.second);
    std::string name(programFileName);
    name.append("_").append(version).append("_").append(windowsVersion).append("_").append(when);
    return name;
}

std::string FileNamePart(std::string_view path) {
    std::size_t start = path.size();
    while (start > 0 && !platform::IsPathSeparator(path[start - 1]))
        --start;
    return std::string(path.substr(start));
}

std::string FormatMailtoLink(std::string_view address, std::string_view subject, std::string_view body) {
    return "mailto:" + EncodeMailtoAddress(address) + "?subject=" + EncodeMailtoValue(subject) +
           "&body=" + EncodeMailtoValue(body);
}

std::string FormatOutlookCommandLine(std::string_view outlookPath, std::string_view attachment,
                                     std::string_view address, std::string_view subject, std::string_view body) {
    std::string line = "\"";
    line.append(outlookPath).append("\" /a \"").append(attachment).append("\" /m \"").append(address);
    line.append("&subject=").append(subject).append("&body=").append(body).append("\"");
    return line;
}

bool SendReportMail(void* parent, const std::string& subject, const std::string& body, const std::string& address,
                    const std::string& attachment) {
    if (!attachment.empty()) {
        bool sent = false;
        const std::string outlook = platform::FindOutlookPath();
        if (!outlook.empty()) {
            // A command line that does not fit is not cut (the message would lose its end): the link follows.
            const std::string commandLine = FormatOutlookCommandLine(outlook, attachment, address, subject, body);
            sent = Utf16Length(commandLine) <= kMaxOutlookCommandLine && platform::StartCommandLine(commandLine);
        } else {
            sent = platform::SendMailMapi(parent, subject, body, address, attachment);
        }
        if (sent)
            return true;
    }
    return platform::OpenWithShell(FormatMailtoLink(address, subject, body), "open", parent);
}

void SetCrashMessageBox(CrashMessageBoxFunction messageBox) {
    MessageBoxFunction() = std::move(messageBox);
}

void ShowCrashReport(const std::string& dumpPath) {
    CrashReportSettings& settings = GetCrashReportSettings();
    settings.dumpFilePath = dumpPath;
    const CrashMessageBoxFunction& messageBox = MessageBoxFunction();
    if (!messageBox)
        return;
    const std::string windowsVersion = platform::GetWindowsVersionTag();
    CrashMessageBoxRequest request;
    request.text = ExpandPlaceholders(settings.messageText, settings, FileNamePart(dumpPath), windowsVersion);
    request.title = ExpandPlaceholders(settings.messageTitle, settings, FileNamePart(dumpPath), windowsVersion);
    request.yesButtonText = settings.yesButtonText;
    request.noButtonText = settings.noButtonText;
    request.iconId = settings.iconId;
    if (messageBox(request) != 6)
        return;
    SendReportMail(nullptr, ExpandPlaceholders(settings.mailSubject, settings, dumpPath, windowsVersion),
                   ExpandPlaceholders(settings.mailBody, settings, dumpPath, windowsVersion), settings.email, dumpPath);
}

bool InstallCrashHandler() {
    platform::CrashHandlerSteps steps;
    steps.dumpFileName = [] {
        const CrashReportSettings& settings = GetCrashReportSettings();
        return FormatDumpFileName(FileNamePart(platform::GetModuleFilePath(nullptr)), settings.appVersion,
                                  platform::GetWindowsVersionTag(), CurrentUtcTime());
    };
    steps.afterDump = ShowCrashReport;
    return platform::InstallCrashHandler(std::move(steps));
}
