#include "bookmarks/OptionsDialog.h"

#include "about/AboutDialog.h"
#include "framework/ShellServices.h"
#include "bookmarks/BookmarkStore.h"
#include "framework/Text.h"
#include "framework/WinApp.h"

namespace {
// Posted to the dialog to open the bookmarks that double clicks asked for.
constexpr UINT WM_OPEN_PENDING = WM_APP + 1;
}  // namespace

COptionsDialog::COptionsDialog(COptionsHost& host, CWnd* parent)
    : CDialog(IDD_OPTIONS, parent),
      m_host(host),
      // Shared icon from LoadIcon: never destroyed.
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

COptionsDialog::~COptionsDialog() = default;

const MessageMap* COptionsDialog::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnNotify(IDC_BOOKMARK_TREE, TVN_SELCHANGEDA, &COptionsDialog::OnSelChanged),
      OnNotify(IDC_BOOKMARK_TREE, NM_DBLCLK, &COptionsDialog::OnDoubleClick),
      OnCommand(IDC_ADD, BN_CLICKED, &COptionsDialog::OnAdd),
      OnCommand(IDC_DELETE, BN_CLICKED, &COptionsDialog::OnDelete),
      OnCommand(IDC_BROWSE, BN_CLICKED, &COptionsDialog::OnBrowse),
      OnCommand(IDC_ABOUT_BUTTON, BN_CLICKED, &COptionsDialog::OnAbout),
      OnCommand(IDC_SHOW_TREE, BN_CLICKED, &COptionsDialog::OnShowTree),
      OnMessage(WM_PAINT, &COptionsDialog::OnPaint),
      OnMessage(WM_OPEN_PENDING, &COptionsDialog::OnOpenPending),
  };
  static const MessageMap map{CDialog::GetMessageMap(), std::begin(entries), std::end(entries)};
  return &map;
}

void COptionsDialog::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_PATH, m_editPath);
  DDX_Control(dx, IDC_BOOKMARK_TREE, m_treeBookmarks);
  DDX_Check(dx, IDC_SHOW_TREE, m_nTree);
}

BOOL COptionsDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  // The field's default limit (about 30,000 characters) would cut a longer
  // stored path on its way back into the path table.
  m_editPath.SendMessage(EM_LIMITTEXT, 0);
  m_treeBookmarks.LoadBookmarks(m_host.Settings());

  // Any stored value but 1 means "without the tree": the box shows it cleared.
  m_nTree = m_host.TreeSetting() == 1 ? 1 : 0;
  ::CheckDlgButton(m_hWnd, IDC_SHOW_TREE, m_nTree == 1 ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;  // the focus goes to the tree, first in tab order
}

bool COptionsDialog::StorePath(LPARAM index) {
  if (m_treeBookmarks.StoreTypedPath(index, m_editPath.GetWindowText())) return true;
  m_treeBookmarks.ReportUnstorableText();
  return false;
}

bool COptionsDialog::StoreSelectedPath() {
  HTREEITEM item = m_treeBookmarks.GetSelectedItem();
  return !item || StorePath(static_cast<LPARAM>(m_treeBookmarks.GetItemData(item)));
}

bool COptionsDialog::OnSelChanged(Message& msg) {
  const auto* change = reinterpret_cast<const NMTREEVIEWA*>(msg.lParam);
  // A path this system cannot store is dropped, and the user told why.
  if (change->itemOld.hItem) StorePath(change->itemOld.lParam);
  // With no new selection the field keeps its text.
  if (change->itemNew.hItem) {
    // A path that the code page cannot hold shows as well as it can there.
    m_editPath.SetWindowText(m_treeBookmarks.GetPath(change->itemNew.lParam));
  }
  return true;
}

bool COptionsDialog::OnDoubleClick(Message& msg) {
  msg.result = 0;
  HTREEITEM item = m_treeBookmarks.GetSelectedItem();
  if (!item) return true;  // empty list
  const LPARAM index = static_cast<LPARAM>(m_treeBookmarks.GetItemData(item));
  // The stored path: text typed since the last selection change is not used.
  m_pendingOpens.push_back({m_treeBookmarks.GetPath(index), m_treeBookmarks.GetExactPath(index)});
  PostMessage(WM_OPEN_PENDING);
  return true;
}

bool COptionsDialog::OnOpenPending(Message&) {
  if (m_pendingOpens.empty()) return true;
  const PendingOpen open = m_pendingOpens.front();
  m_pendingOpens.erase(m_pendingOpens.begin());
  // Failures are shown over this dialog, which stays disabled meanwhile.
  m_host.OpenFolder(open.path, open.exactPath, m_nTree, m_hWnd);
  return true;
}

bool COptionsDialog::OnAdd(Message&) {
  HTREEITEM item = m_treeBookmarks.AddBookmark(LoadResString(IDS_NEW_BOOKMARK).c_str());
  if (!item) return true;
  m_treeBookmarks.SelectItem(item);
  m_treeBookmarks.EditLabel(item);
  return true;
}

bool COptionsDialog::OnDelete(Message&) {
  HTREEITEM item = m_treeBookmarks.GetSelectedItem();
  if (!item) return true;  // empty list
  HTREEITEM next = m_treeBookmarks.GetNextVisibleItem(item);
  if (!next) next = m_treeBookmarks.GetPrevVisibleItem(item);
  // Moves the field's text out of the way and shows the new selection's path
  // (none: the field keeps the deleted bookmark's path).
  m_treeBookmarks.SelectItem(next);
  m_treeBookmarks.DeleteBookmark(item);
  return true;
}

bool COptionsDialog::OnBrowse(Message&) {
  ShellServices& shell = TheShell();
  IMalloc* malloc = nullptr;
  if (FAILED(shell.GetMalloc(&malloc)) || !malloc) return true;

  // The wide calls: a folder of any name and length arrives whole; in the
  // ANSI code page its path may take three bytes a character.
  const WideText title = Widen(LoadResString(IDS_BROWSE_TITLE));
  WCHAR displayName[MAX_PATH] = {};  // the browser writes at most MAX_PATH characters there
  BROWSEINFOW info{};
  info.hwndOwner = m_hWnd;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.data();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  std::string chosen;  // UTF-8
  if (PIDLIST_ABSOLUTE list = shell.BrowseForFolder(&info)) {
    chosen = shell.GetPathFromIDList(list);
    malloc->Free(list);
  }
  malloc->Release();
  std::string path;
  if (chosen.empty()) return true;  // cancelled, or no folder of the file system
  if (AnsiFromUtf8(chosen, path)) {
    m_editPath.SetWindowText(path);
  } else {
    m_treeBookmarks.ReportUnstorableText();  // never a lossy copy in the field
  }
  return true;
}

bool COptionsDialog::OnAbout(Message&) {
  // No parent: the About box takes this active dialog as owner and disables it.
  CAboutDialog dlg;
  dlg.DoModal();
  return true;
}

bool COptionsDialog::OnShowTree(Message&) {
  UpdateData(TRUE);
  return true;
}

void COptionsDialog::OnOK() {
  if (m_treeBookmarks.GetEditControl()) {
    // Enter in a label edit commits the label; the dialog stays open.
    m_treeBookmarks.PostMessage(TVM_ENDEDITLABELNOW, FALSE);
    return;
  }
  m_treeBookmarks.SortBookmarks();
  // A path this system cannot store keeps the dialog open: nothing is written.
  if (!StoreSelectedPath()) return;
  const CWinApp& settings = m_host.Settings();
  bool saved = m_treeBookmarks.SaveBookmarks(settings);
  saved = settings.WriteProfileInt(kCommandSection, kTreeEntry, m_nTree) && saved;
  if (!saved) {
    // Keep the dialog and the user's edits, so that nothing is lost silently;
    // the running program goes on with the settings it had.
    ::MessageBoxA(m_hWnd, LoadResString(IDS_SAVE_FAILED).c_str(), LoadResString(IDS_ERROR).c_str(),
                  MB_ICONHAND);
    return;
  }
  m_host.SetTreeSetting(m_nTree);
  CDialog::OnOK();
}

void COptionsDialog::OnCancel() {
  if (m_treeBookmarks.GetEditControl()) {
    // Esc in a label edit discards the new text; the dialog stays open.
    m_treeBookmarks.PostMessage(TVM_ENDEDITLABELNOW, TRUE);
    return;
  }
  CDialog::OnCancel();
}

bool COptionsDialog::OnPaint(Message& msg) {
  if (!::IsIconic(m_hWnd)) return false;
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, m_hIcon);
  ::EndPaint(m_hWnd, &paint);
  msg.result = 0;
  return true;
}
