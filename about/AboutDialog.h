// The About box: name, version, credits and two links.
#pragma once
#include "framework/Dialog.h"
#include "res/resource.h"

class CAboutDialog : public CDialog {
 public:
  explicit CAboutDialog(CWnd* parent = nullptr) : CDialog(IDD_ABOUT, parent) {}
};
