#include "about/AboutDialog.h"

#include <string>

const char CAboutDialog::kContactAddress[] = "pathstow@example.org";
const char CAboutDialog::kWebPage[] = "http://www.example.org/pathstow/";

CAboutDialog::CAboutDialog(CWnd* parent) : CDialog(IDD_ABOUT, parent) {}
CAboutDialog::~CAboutDialog() = default;

// OK, Escape and the close box end the dialog through the defaults.
const MessageMap* CAboutDialog::GetMessageMap() const {
  static const MessageMap map{CDialog::GetMessageMap(), nullptr, nullptr};
  return &map;
}

void CAboutDialog::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_LINK_WEB, m_linkWeb);
  DDX_Control(dx, IDC_LINK_MAIL, m_linkMail);
}

BOOL CAboutDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_linkMail.SetTarget(("mailto:" + std::string(kContactAddress) + "?Subject=Pathstow").c_str());
  m_linkWeb.SetTarget(kWebPage);
  return TRUE;  // the focus goes to the OK button
}
