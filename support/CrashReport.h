#pragma once
// The crash report: when a fault that nothing handles ends the process, a minidump is written, a message box says
// where it is, and the user may send it to the support address by e-mail. The fault handling itself belongs to the
// platform layer; this is the part that is the same everywhere: the settings, the texts and the order of the mail
// attempts.

#include <functional>
#include <string>
#include <string_view>

// One process-wide record, made on first use with the defaults below. Written only during start-up, before the
// handler is installed.
struct CrashReportSettings {
    std::string appName = "App";
    std::string appVersion = "1.0";
    std::string email;
    std::string yesButtonText = "Send Report (Recommended)";
    std::string noButtonText = "Cancel";
    std::string messageTitle = "%app_name% - Unhandled Exception";
    std::string messageText = "We're sorry but an unhandled exception has occurred and \n%app_name% has become "
                              "unstable. \nPlease send us an e-mail to '%email%'\nattaching the following crash dump "
                              "file:\n\n'%dump_file%'\n\nAfter pressing 'Send Report' button, a default mailer "
                              "program \nwill be opened with composed message.";
    std::string mailSubject = "%app_name% %app_version% Bug Report";
    std::string mailBody = "Hello, Support.\n\nI'm having a problem with %app_name%. The dump file is attached.\n"
                           "(don't forget to attach the file %dump_file%)\n\nMy windows version is %winver% and my "
                           "actions before the problem were... (put some words please)";
    // Set when a dump was written.
    std::string dumpFilePath;
    // Resource number of the icon the message box shows; 0 for the box's own.
    int iconId = 0;
};

// The process's settings, created on first use.
CrashReportSettings& GetCrashReportSettings();
void SetCrashReportAppName(std::string name);
void SetCrashReportAppVersion(std::string version);
void SetCrashReportEmail(std::string address);
void SetCrashReportIconId(int iconId);

// Replaces, in this order and at every occurrence, "%app_name%", "%app_version%", "%email%", "%dump_file%" (with
// dumpFile, which the caller chooses: the file name for the message, the full path for the mail) and "%winver%".
std::string ExpandPlaceholders(std::string text, const CrashReportSettings& settings, std::string_view dumpFile,
                               std::string_view windowsVersion);

// A moment in UTC, as the calendar shows it.
struct UtcTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The calendar time of a count of seconds since 1970-01-01 00:00:00 UTC (no leap seconds).
UtcTime UtcTimeFromUnixSeconds(long long seconds);
// Now, in UTC.
UtcTime CurrentUtcTime();

// "<program file>_<version>_<windows version>_<y>-<m>-<d>_<h>.<min>.<s>.dmp", numbers without leading zeros.
std::string FormatDumpFileName(std::string_view programFileName, std::string_view version,
                               std::string_view windowsVersion, const UtcTime& time);

// The text after the last path separator.
std::string FileNamePart(std::string_view path);

// A mail link that keeps its text: subject and body with every byte outside the unreserved set percent-encoded
// (UTF-8), each line break as %0D%0A; in the address only what an address may not hold as it is.
std::string FormatMailtoLink(std::string_view address, std::string_view subject, std::string_view body);

// The command line that starts Outlook with the attachment and a message to the address, the texts unencoded.
std::string FormatOutlookCommandLine(std::string_view outlookPath, std::string_view attachment,
                                     std::string_view address, std::string_view subject, std::string_view body);

// Composes the report mail: with an attachment, through Outlook when it is the mail handler, else through the
// system's simple mail interface; when that fails or without attachment, through a mail link opened by the shell.
// True when the last attempt succeeded. parent is a window handle or none.
bool SendReportMail(void* parent, const std::string& subject, const std::string& body, const std::string& address,
                    const std::string& attachment);

// What the report's message box shows; the answer is 6 for the yes button, anything else for no.
struct CrashMessageBoxRequest {
    std::string text;
    std::string title;
    std::string yesButtonText;
    std::string noButtonText;
    int iconId = 0;
};
using CrashMessageBoxFunction = std::function<int(const CrashMessageBoxRequest&)>;

// The message box of the report, supplied by the program at start-up (the Windows program's extended message box).
// Without one the report writes the dump and shows nothing.
void SetCrashMessageBox(CrashMessageBoxFunction messageBox);

// The step after a dump was written (on the faulting thread): stores the path, shows the message with the file's
// name, and on the yes answer sends the report mail with the full path.
void ShowCrashReport(const std::string& dumpPath);

// Installs the process's fault handler with the settings as they are, and keeps it in place against later
// replacement. False when this system has none (Linux: the system's own crash handling stays).
bool InstallCrashHandler();
