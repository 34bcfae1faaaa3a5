#include "AboutDlg.h"

#include "AboutRes.h"

CAboutDlg::CAboutDlg()
    : m_webLink(IDR_LINK_HAND, DRAVIKON_WEB), m_mailLink(IDR_LINK_HAND, "mailto:" DRAVIKON_MAIL)
{
}

INT_PTR CAboutDlg::DoModal(HWND owner)
{
    return CDialog::DoModal(GetModuleHandleA(nullptr), IDD_ABOUTBOX, owner);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow();
    return TRUE;
}

void CAboutDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_WEB_LINK, m_webLink);
    DDX_Control(dx, IDC_MAIL_LINK, m_mailLink);
}
