// The Options dialog: edits the bookmark list and the folder-tree setting.
#pragma once
#include "framework/Dialog.h"
#include "res/resource.h"

class COptionsDialog : public CDialog {
 public:
  explicit COptionsDialog(CWnd* parent = nullptr) : CDialog(IDD_OPTIONS, parent) {}
};
