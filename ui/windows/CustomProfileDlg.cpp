#include "ui/windows/CustomProfileDlg.h"

#include "catalogue/Catalogue.h"
#include "platform/Handle_win.h"
#include "platform/Text.h"
#include "support/FolderHelpers.h"
#include "ui/res/resource.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace ui {

namespace {

constexpr const wchar_t* kTitle = L"Tidyquill";

// Releases a COM interface at the end of a scope.
template <typename Interface> struct ComPtr {
    Interface* pointer = nullptr;
    ~ComPtr() {
        if (pointer != nullptr)
            pointer->Release();
    }
};

// The shell's file-open dialog in folder mode.
std::string PickFolderWithItemDialog(HWND owner, const std::wstring& title, bool& available) {
    available = false;
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog.pointer))))
        return {};
    available = true;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog.pointer->GetOptions(&options);
    dialog.pointer->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog.pointer->SetTitle(title.c_str());
    if (FAILED(dialog.pointer->Show(owner)))
        return {};
    ComPtr<IShellItem> item;
    if (FAILED(dialog.pointer->GetResult(&item.pointer)))
        return {};
    PWSTR path = nullptr;
    if (FAILED(item.pointer->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr)
        return {};
    const std::string result = platform::WideToUtf8(path);
    CoTaskMemFree(path);
    return result;
}

// The older browse-for-folder dialog, for systems without the item dialog.
std::string PickFolderWithBrowseDialog(HWND owner, const std::wstring& title) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    if (list == nullptr)
        return {};
    wchar_t path[MAX_PATH] = {};
    const bool got = SHGetPathFromIDListW(list, path) != FALSE;
    CoTaskMemFree(list);
    return got ? platform::WideToUtf8(path) : std::string();
}

} // namespace

std::string PickFolder(HWND owner, const std::wstring& title) {
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool available = false;
    std::string folder = PickFolderWithItemDialog(owner, title, available);
    if (!available)
        folder = PickFolderWithBrowseDialog(owner, title);
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return folder;
}

CCustomProfileDlg::CCustomProfileDlg(Catalogue& catalogue, std::string path)
    : CDialog(IDD_CUSTOM_PROFILE), catalogue_(catalogue), path_(std::move(path)) {}

void CCustomProfileDlg::DoDataExchange() {
    Bind(IDC_PROGRAM_LIST, programList_);
    Bind(IDC_PROFILE_PATH, pathEdit_);
    Bind(IDC_DETECTED_LABEL, detectedLabel_);
    Bind(IDC_ADD, addButton_);
}

bool CCustomProfileDlg::OnInitDialog() {
    for (const auto& program : catalogue_.Programs()) {
        const platform::UniqueIcon icon(LoadIconResource(program->GetIconId(), 16));
        if (programList_.AddItem(Widen(program->GetName()), icon.get()) >= 0)
            programs_.push_back(program.get());
    }
    if (!path_.empty() && !SetProfilePath(path_)) {
        EndDialog(IDCANCEL);
        return false;
    }
    SetFocus(pathEdit_);
    return false;
}

bool CCustomProfileDlg::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
    case IDC_BROWSE:
        if (code == BN_CLICKED)
            OnBrowse();
        return true;
    case IDC_PROFILE_PATH:
        if (code == EN_CHANGE)
            OnPathChange();
        return true;
    case IDC_ADD:
        if (code == BN_CLICKED)
            OnAdd();
        return true;
    case IDOK:
        // Enter presses the default button, which is "Add".
        OnAdd();
        return true;
    default:
        return CDialog::OnCommand(id, code, control);
    }
}

bool CCustomProfileDlg::SetProfilePath(const std::string& path) {
    if (catalogue_.FindProgramForFolder(path) == nullptr) {
        const std::wstring text =
            L"Tidyquill was unable to detect any browser/supported program in the specified path\n(" + Widen(path) +
            L"). \n\nIf you're sure the path is correct and this profile should be supported by Tidyquill, please use "
            L"Tidyquill support forum to let us know about the issue.";
        MessageBoxW(GetHwnd(), text.c_str(), kTitle, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    path_ = path;
    pathEdit_.SetText(Widen(path)); // the field's change notification selects the program
    OnPathChange();
    return true;
}

void CCustomProfileDlg::OnBrowse() {
    const std::string folder = PickFolder(GetHwnd(), L"Browse for a custom browser/program profile");
    if (!folder.empty())
        SetProfilePath(folder);
}

void CCustomProfileDlg::OnPathChange() {
    const std::string text = platform::WideToUtf8(pathEdit_.GetText());
    CBrowser* program = !text.empty() && PathExists(text) ? catalogue_.FindProgramForFolder(text) : nullptr;
    int selection = -1;
    if (program != nullptr) {
        for (size_t i = 0; i < programs_.size(); ++i)
            if (programs_[i] == program)
                selection = static_cast<int>(i);
        path_ = text;
    }
    programList_.SetCurSel(selection);
    detectedLabel_.Enable(program != nullptr);
    addButton_.Enable(program != nullptr);
}

CBrowser* CCustomProfileDlg::SelectedProgram() const {
    const int selection = programList_.GetCurSel();
    return selection >= 0 && static_cast<size_t>(selection) < programs_.size() ? programs_[selection] : nullptr;
}

void CCustomProfileDlg::OnAdd() {
    if (!addButton_.IsEnabled())
        return;
    if (catalogue_.IsKnownProfilePath(path_)) {
        MessageBoxW(GetHwnd(), L"This profile already exists in the Tidyquill profiles tree.", kTitle,
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (CBrowser* program = SelectedProgram())
        catalogue_.AddCustomProfile(path_, program);
    EndDialog(IDOK);
}

} // namespace ui
