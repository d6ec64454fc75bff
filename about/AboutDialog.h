// The About box: name, version, credits and two links.
#pragma once
#include "about/LinkStatic.h"
#include "framework/Dialog.h"
#include "res/resource.h"

class CAboutDialog : public CDialog {
 public:
  explicit CAboutDialog(CWnd* parent = nullptr) : CDialog(IDD_ABOUT, parent) {}
  ~CAboutDialog() override = default;

  // The product's contact address and web page, as the links open them.
  static const char kContactAddress[];
  static const char kWebPage[];

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

  CLinkStatic m_linkWeb;
  CLinkStatic m_linkMail;
};
