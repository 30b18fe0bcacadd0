#pragma once
// The Command line dialog: the syntax of the command-line mode, and the command line that would optimize the
// profiles now checked in the tree, ready to copy.

#include "ui/controls/StaticEx.h"
#include "ui/framework/Dialog.h"

#include <string>
#include <vector>

class CBrowserProfile;

namespace ui {

// One argument as the system's argument splitting (CommandLineToArgvW) gives it back: unchanged when it holds
// nothing that splits or that a command prompt would act on; otherwise in double quotes, with embedded quotes and
// the backslashes before them (or before the closing quote) escaped. always quotes any argument.
std::string QuoteArgument(const std::string& argument, bool always = false);

// The command line that optimizes exactly these profiles: the program path, then one "/<program>:<profile>"
// argument per profile, each followed by a blank; a custom profile is named by its folder in double quotes, any
// other by its name. Arguments with blanks are quoted whole, so that the line works when pasted into a command
// prompt. "No profiles selected" without profiles.
std::string BuildCommandLineText(const std::string& programPath, const std::vector<CBrowserProfile*>& profiles);

class CCommandLineDlg : public CDialog {
public:
    // profiles: the checked profiles of the tree, copied.
    explicit CCommandLineDlg(std::vector<CBrowserProfile*> profiles);

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    // Puts the shown command line on the clipboard and says whether that worked; nothing without profiles.
    void OnCopy();

    std::vector<CBrowserProfile*> profiles_;
    CWindow helpText_;
    CWindow commandLine_;
    CStaticEx icon_;
};

// Puts text on the clipboard as Unicode text; false when the clipboard could not be opened or taken.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

} // namespace ui
