#include "ui/windows/ProcessesDlg.h"

#include "platform/Handle_win.h"
#include "ui/res/resource.h"

#include <shellapi.h>

namespace ui {

CProcessesDlg::CProcessesDlg(std::vector<std::string> paths) : CDialog(IDD_PROCESSES), paths_(std::move(paths)) {}

void CProcessesDlg::DoDataExchange() {
    Bind(IDC_PROCESS_LIST, list_);
}

bool CProcessesDlg::OnInitDialog() {
    for (const std::string& path : paths_) {
        // The list box keeps a copy of the icon; an executable without one is listed without.
        HICON small = nullptr;
        if (ExtractIconExW(Widen(path).c_str(), 0, nullptr, &small, 1) == 0)
            small = nullptr;
        platform::UniqueIcon icon(small);
        list_.AddItem(Widen(path), icon.get());
    }
    return true;
}

bool CProcessesDlg::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
    case IDC_RETRY:
        EndDialog(IDC_RETRY);
        return true;
    case IDC_IGNORE:
        if (MessageBoxW(GetHwnd(), L"Are you sure?", L"Tidyquill", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            EndDialog(IDC_IGNORE);
        return true;
    case IDOK:
        // Enter with the focus on no button: the default button is "Retry".
        EndDialog(IDC_RETRY);
        return true;
    default:
        return CDialog::OnCommand(id, code, control);
    }
}

} // namespace ui
