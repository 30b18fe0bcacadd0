#pragma once
// The About dialog: the program's icon, title with version and build, and links to the home page and the forum.

#include "platform/Handle_win.h"
#include "ui/controls/HLinkCtrl.h"
#include "ui/controls/StaticEx.h"
#include "ui/framework/Dialog.h"

#include <string>

namespace ui {

// The support forum behind the About dialog's second link.
inline constexpr const char* kSupportForumAddress = "https://www.quartzmoore.com/forum/tidyquill/";

class CAboutDlg : public CDialog {
public:
    // appTitle: the application name with its version ("Tidyquill 1.0.0"); homePage: the product's home page.
    CAboutDlg(std::string appTitle, std::string homePage);

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The header band and the controls on it in the window colour and its text colour (white and black in the
    // usual scheme).
    void ApplyHeaderColours();

    std::string appTitle_;
    std::string homePage_;
    CStaticEx icon_;
    CStaticEx title_;
    CHLinkCtrl webSiteLink_;
    CHLinkCtrl forumLink_;
    CStaticEx copyright_;
    CStaticEx band_;
    platform::UniqueIcon appIcon_;
};

} // namespace ui
