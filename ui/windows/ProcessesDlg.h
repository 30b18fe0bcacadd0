#pragma once
// The Running Programs Warning dialog: the running processes that belong to the programs of the checked profiles,
// each with its executable's icon, and the choice to retry the check, cancel the run, or go ahead anyway.

#include "ui/controls/IconListBox.h"
#include "ui/framework/Dialog.h"

#include <string>
#include <vector>

namespace ui {

class CProcessesDlg : public CDialog {
public:
    // paths: the executables of the running processes, one per process. DoModal answers IDC_RETRY, IDCANCEL (also
    // the close box and Escape) or IDC_IGNORE (confirmed).
    explicit CProcessesDlg(std::vector<std::string> paths);

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    std::vector<std::string> paths_;
    CIconListBox list_;
};

} // namespace ui
