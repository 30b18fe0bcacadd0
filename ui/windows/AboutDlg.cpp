#include "ui/windows/AboutDlg.h"

#include "support/VersionInfo.h"
#include "ui/res/resource.h"

namespace ui {

CAboutDlg::CAboutDlg(std::string appTitle, std::string homePage)
    : CDialog(IDD_ABOUTBOX), appTitle_(std::move(appTitle)), homePage_(std::move(homePage)),
      appIcon_(ui::LoadIconResource(IDR_MAINFRAME, 32)) {}

void CAboutDlg::DoDataExchange() {
    Bind(IDC_ABOUT_ICON, icon_);
    Bind(IDC_ABOUT_TITLE, title_);
    Bind(IDC_WEBSITE_LINK, webSiteLink_);
    Bind(IDC_FORUM_LINK, forumLink_);
    Bind(IDC_COPYRIGHT, copyright_);
    Bind(IDC_ABOUT_BAND, band_);
}

bool CAboutDlg::OnInitDialog() {
    title_.SetText(Widen(appTitle_ + " (Build " + std::to_string(GetModuleBuildNumber(nullptr)) + ")"));
    icon_.SetImageIcon(appIcon_.get());
    webSiteLink_.SetURL(Widen(homePage_));
    forumLink_.SetURL(Widen(kSupportForumAddress));
    title_.SetBold(true);
    icon_.SetBold(true);
    copyright_.SetBold(false);

    if (HWND parent = GetParent(GetHwnd())) {
        Send(WM_SETICON, ICON_SMALL, SendMessageW(parent, WM_GETICON, ICON_SMALL, 0));
        Send(WM_SETICON, ICON_BIG, SendMessageW(parent, WM_GETICON, ICON_BIG, 0));
    }
    ApplyHeaderColours();
    return true;
}

void CAboutDlg::ApplyHeaderColours() {
    for (CStaticEx* control : {&band_, &icon_, &title_, &copyright_}) {
        control->SetBackgroundColor(GetSysColor(COLOR_WINDOW));
        control->SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
    }
}

bool CAboutDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_SYSCOLORCHANGE)
        ApplyHeaderColours();
    return false;
}

} // namespace ui
