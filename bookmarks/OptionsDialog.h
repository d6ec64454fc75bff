// The Options dialog: edits the bookmark list and the folder-tree setting.
// Nothing is written before OK.
#pragma once
#include "bookmarks/BookmarkTree.h"
#include "bookmarks/OptionsHost.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "res/resource.h"

class COptionsDialog : public CDialog {
 public:
  explicit COptionsDialog(COptionsHost& host, CWnd* parent = nullptr);
  // Out of line: one copy of the members' tear-down in the program.
  ~COptionsDialog() override;

  CEdit m_editPath;
  CBookmarkTree m_treeBookmarks;
  // Check box 1017: 1 opens folders with Explorer's folder tree, 0 without.
  int m_nTree = 0;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  const MessageMap* GetMessageMap() const override;

 private:
  bool OnSelChanged(Message& msg);
  bool OnDoubleClick(Message& msg);
  bool OnAdd(Message& msg);
  bool OnDelete(Message& msg);
  bool OnBrowse(Message& msg);
  bool OnAbout(Message& msg);
  bool OnShowTree(Message& msg);
  bool OnPaint(Message& msg);
  bool OnOpenPending(Message& msg);

  // Stores the path field's text for item `index`; false, with nothing stored
  // and the user told why, when this system's code page cannot hold it.
  bool StorePath(LPARAM index);
  // The same for the selected item, if there is one.
  bool StoreSelectedPath();

  COptionsHost& m_host;
  HICON m_hIcon;
  // The bookmark a double click asked to open. The open runs from a posted
  // message, once the tree has finished with its notification: an error box
  // shown from inside it would let the tree's item be deleted under it.
  struct PendingOpen {
    std::string path;
    std::string exactPath;
  };
  std::vector<PendingOpen> m_pendingOpens;
};
