#pragma once
// The Add custom profile dialog: the user names a folder (typed, picked, or dropped on the main window); the
// catalogue recognises the program it belongs to, and "Add" makes it a custom profile of that program.

#include "ui/controls/IconComboBox.h"
#include "ui/framework/Dialog.h"

#include <string>
#include <vector>

class Catalogue;
class CBrowser;

namespace ui {

class CCustomProfileDlg : public CDialog {
public:
    // path: a folder to take at once (a dropped folder), or empty. The dialog ends with IDOK when a profile was
    // added (or "Add" was pressed before any folder was recognised), IDCANCEL otherwise.
    CCustomProfileDlg(Catalogue& catalogue, std::string path);

    // The folder last recognised.
    const std::string& GetPath() const { return path_; }

    // Takes a folder when a program recognises it: it becomes the accepted path and the field shows it. Otherwise
    // says so in a message box and changes nothing. True when the folder was recognised.
    bool SetProfilePath(const std::string& path);

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    // The system's folder picker, owned by the dialog; a picked folder goes to SetProfilePath.
    void OnBrowse();
    // Follows the field: selects the recognised program and enables "Add" while the text names a recognised folder.
    void OnPathChange();
    // Refuses a known folder; otherwise adds the custom profile and ends the dialog.
    void OnAdd();
    CBrowser* SelectedProgram() const;

    Catalogue& catalogue_;
    std::string path_;
    CIconComboBox programList_;
    std::vector<CBrowser*> programs_; // the program of each entry of the list
    CWindow pathEdit_;
    CWindow detectedLabel_;
    CWindow addButton_;
};

// The system's folder picker with this title, owned by owner; the picked folder, or empty when the user cancelled.
std::string PickFolder(HWND owner, const std::wstring& title);

} // namespace ui
