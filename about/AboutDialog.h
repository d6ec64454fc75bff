// The About box: name, version, credits and two links.
#pragma once
#include "about/LinkStatic.h"
#include "framework/Dialog.h"
#include "res/resource.h"

class CAboutDialog : public CDialog {
 public:
  explicit CAboutDialog(CWnd* parent = nullptr);
  // Out of line, as the constructor: one copy of the links' set-up and
  // tear-down in the program instead of one for every place that shows the box.
  ~CAboutDialog() override;

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
