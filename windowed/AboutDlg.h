// CAboutDlg: the About box of dravikon (dialog IDD_ABOUTBOX in About.rc),
// with the maker's web address and e-mail address as links.
#pragma once

#include "Dialog.h"
#include "HLinkCtrl.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    // Shows the box over `owner` until OK closes it.
    INT_PTR DoModal(HWND owner);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;

private:
    CHLinkCtrl m_webLink;
    CHLinkCtrl m_mailLink;
};
