#include "ui/windows/CommandLineDlg.h"

#include "catalogue/Browser.h"
#include "platform/Application.h"
#include "ui/res/resource.h"

#include <cstring>

namespace ui {

namespace {

constexpr const char* kHelpText =
    "Tidyquill command line parameters:\n\n/<program_name>:<profile_name> - optimize a certain profile (you can "
    "find its name in the Tidyquill profiles tree). Use 'all' keyword as profile name to mean all profiles\n"
    "/<program_name>:<profile_path> - optimize custom profile located at <path> (e.g. for portable versions of "
    "supported programs)\nYou can also specify multiple profiles.";

// Characters that split an argument, or that a command prompt interprets outside quotes.
constexpr const char* kNeedsQuotes = " \t\"&|<>^()";

} // namespace

std::string QuoteArgument(const std::string& argument, bool always) {
    if (!always && !argument.empty() && argument.find_first_of(kNeedsQuotes) == std::string::npos)
        return argument;
    // Backslashes are literal unless they precede a quote: then each one must be doubled, so that the quote keeps
    // its meaning (escaped when it is part of the text, closing when it ends the argument).
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string BuildCommandLineText(const std::string& programPath, const std::vector<CBrowserProfile*>& profiles) {
    if (profiles.empty())
        return "No profiles selected";
    // The program path is the first argument, which the system splits by quotes alone.
    std::string text = programPath.find_first_of(" \t") == std::string::npos ? programPath : '"' + programPath + '"';
    text += ' ';
    for (const CBrowserProfile* profile : profiles) {
        const std::string program = profile->GetProgram()->GetName();
        const std::string prefix = "/" + program + ":";
        if (profile->custom && prefix.find_first_of(kNeedsQuotes) == std::string::npos)
            text += prefix + QuoteArgument(profile->GetPath(), true);
        else
            text += QuoteArgument(prefix + (profile->custom ? profile->GetPath() : profile->GetName()));
        text += ' ';
    }
    return text;
}

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner))
        return false;
    bool copied = false;
    if (EmptyClipboard()) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* target = GlobalLock(memory)) {
                std::memcpy(target, text.c_str(), bytes);
                GlobalUnlock(memory);
                copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            // The clipboard owns the block once it took it.
            if (!copied)
                GlobalFree(memory);
        }
    }
    CloseClipboard();
    return copied;
}

CCommandLineDlg::CCommandLineDlg(std::vector<CBrowserProfile*> profiles)
    : CDialog(IDD_COMMAND_LINE), profiles_(std::move(profiles)) {}

void CCommandLineDlg::DoDataExchange() {
    Bind(IDC_COMMAND_LINE_HELP, helpText_);
    Bind(IDC_CURRENT_COMMAND_LINE, commandLine_);
    Bind(IDC_COMMAND_LINE_ICON, icon_);
}

bool CCommandLineDlg::OnInitDialog() {
    icon_.SetImageIcon(LoadIconW(nullptr, IDI_INFORMATION));
    helpText_.SetText(Widen(kHelpText));
    commandLine_.SetText(Widen(BuildCommandLineText(platform::GetModuleFilePath(nullptr), profiles_)));
    // The focus on "Close" rather than on the line, which would show all of it selected.
    Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetItem(IDOK)), TRUE);
    return false;
}

bool CCommandLineDlg::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_COPY && code == BN_CLICKED) {
        OnCopy();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CCommandLineDlg::OnCopy() {
    const std::wstring text = commandLine_.GetText();
    if (text.empty() || profiles_.empty())
        return;
    if (CopyTextToClipboard(GetHwnd(), text))
        MessageBoxW(GetHwnd(), L"Done", L"Tidyquill", MB_OK | MB_ICONINFORMATION);
    else
        MessageBoxW(GetHwnd(), L"The command line could not be copied to the clipboard.", L"Tidyquill",
                    MB_OK | MB_ICONWARNING);
}

} // namespace ui
