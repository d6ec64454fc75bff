#include "bookmarks/BookmarkTree.h"

#include <algorithm>

#include "framework/Text.h"
#include "framework/WinApp.h"

namespace {

// Posted to the tree to show the refusal of a text outside any notification.
constexpr UINT WM_REPORT_UNSTORABLE = WM_APP + 1;

// Characters typed or pasted into a field that the ANSI code page cannot hold
// arrive as its default character, "?". No folder name holds one, but for the
// "\\?\" prefix of a long path: elsewhere in a path it stands for lost text.
// UTF-8 loses nothing.
bool LostCharactersIn(const std::string& path) {
  if (::GetACP() == CP_UTF8) return false;
  const size_t prefix = path.rfind("\\\\?\\", 0) == 0 ? 4 : 0;
  return path.find('?', prefix) != std::string::npos;
}

}  // namespace

const MessageMap* CBookmarkTree::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnReflected(WM_NOTIFY, TVN_ENDLABELEDITA, &CBookmarkTree::OnEndLabelEdit),
      OnReflected(WM_NOTIFY, TVN_KEYDOWN, &CBookmarkTree::OnKeyDown),
      OnMessage(TVM_ENDEDITLABELNOW, &CBookmarkTree::OnEndEditLabelNow),
      OnMessage(WM_REPORT_UNSTORABLE, &CBookmarkTree::OnReportUnstorable),
  };
  static const MessageMap map{CTreeCtrl::GetMessageMap(), std::begin(entries), std::end(entries)};
  return &map;
}

void CBookmarkTree::LoadBookmarks(const CWinApp& app) {
  const std::vector<Bookmark> entries = ::LoadBookmarks(app);
  m_arrPaths.clear();
  m_exactTexts.clear();
  m_arrPaths.reserve(entries.size());
  m_exactTexts.reserve(entries.size());
  for (const Bookmark& entry : entries) {
    HTREEITEM item = InsertItem(entry.name.c_str());
    if (!item) break;
    // Shown as stored, even where the ANSI code page cannot hold the name.
    if (!entry.exactName.empty()) SetItemText(item, Widen(entry.exactName, CP_UTF8).data());
    SetItemData(item, static_cast<DWORD_PTR>(m_arrPaths.size()));
    m_arrPaths.push_back(entry.path);
    m_exactTexts.push_back({entry.exactName, entry.exactPath});
  }
  // Handed back to the save, which deletes the entries past the new count.
  m_nLoadedCount = static_cast<int>(entries.size());

  SortBookmarks();
  if (HTREEITEM first = GetRootItem()) SelectItem(first);
}

HTREEITEM CBookmarkTree::AddBookmark(LPCSTR name) {
  HTREEITEM item = InsertItem(name);
  if (!item) return nullptr;
  SetItemData(item, static_cast<DWORD_PTR>(m_arrPaths.size()));
  m_arrPaths.emplace_back();
  m_exactTexts.emplace_back();
  return item;
}

void CBookmarkTree::DeleteBookmark(HTREEITEM item) {
  const DWORD_PTR deleted = GetItemData(item);
  if (deleted < m_arrPaths.size()) {
    m_arrPaths.erase(m_arrPaths.begin() + static_cast<long>(deleted));
    m_exactTexts.erase(m_exactTexts.begin() + static_cast<long>(deleted));
  }
  DeleteItem(item);
  for (HTREEITEM other = GetRootItem(); other; other = GetNextSiblingItem(other)) {
    const DWORD_PTR data = GetItemData(other);
    if (data > deleted) SetItemData(other, data - 1);
  }
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

std::vector<Bookmark> CBookmarkTree::Entries() const {
  std::vector<Bookmark> entries;
  for (HTREEITEM item = GetRootItem(); item; item = GetNextSiblingItem(item)) {
    const size_t index = GetItemData(item);
    const ExactTexts exact = index < m_exactTexts.size() ? m_exactTexts[index] : ExactTexts{};
    entries.push_back({GetItemText(item), GetItemPath(item), exact.name, exact.path});
  }
  return entries;
}

bool CBookmarkTree::SaveBookmarks(const CWinApp& app) const {
  return ::SaveBookmarks(app, Entries(), m_nLoadedCount);
}

std::string CBookmarkTree::GetPath(LPARAM index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_arrPaths.size()) return std::string();
  return m_arrPaths[static_cast<size_t>(index)];
}

void CBookmarkTree::SetPath(LPARAM index, const std::string& path) {
  if (index < 0 || static_cast<size_t>(index) >= m_arrPaths.size()) return;
  m_arrPaths[static_cast<size_t>(index)] = path;
  m_exactTexts[static_cast<size_t>(index)].path.clear();
}

std::string CBookmarkTree::GetExactPath(LPARAM index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_exactTexts.size()) return std::string();
  return m_exactTexts[static_cast<size_t>(index)].path;
}

bool CBookmarkTree::StoreTypedPath(LPARAM index, const std::string& typed) {
  // The field holds text of the ANSI code page: a stored path that it cannot
  // hold shows there as its lossy copy, and stays as stored while untouched.
  if (!GetExactPath(index).empty() && typed == GetPath(index)) return true;
  if (LostCharactersIn(typed)) return false;
  SetPath(index, typed);
  return true;
}

void CBookmarkTree::ReportUnstorableText() {
  // Once: Wine's tree ends a refused edit a second time as it hides the box.
  if (!m_bReportPending) PostMessage(WM_REPORT_UNSTORABLE);
  m_bReportPending = true;
}

bool CBookmarkTree::OnReportUnstorable(Message& msg) {
  m_bReportPending = false;
  ::MessageBoxA(::GetParent(m_hWnd), LoadResString(IDS_TEXT_NOT_STORABLE).c_str(),
                LoadResString(IDS_ERROR).c_str(), MB_ICONHAND);
  msg.result = 0;
  return true;
}

bool CBookmarkTree::OnEndEditLabelNow(Message& msg) {
  if (!msg.wParam) return false;
  // Wine's tree hides the edit box after a cancel, which takes the focus from
  // it and ends the same edit a second time, keeping the text: refuse that one.
  m_bCancellingEdit = true;
  msg.result = Default();
  m_bCancellingEdit = false;
  return true;
}

bool CBookmarkTree::OnEndLabelEdit(Message& msg) {
  const auto* info = reinterpret_cast<const NMTVDISPINFOA*>(msg.lParam);
  if (m_bCancellingEdit && info->item.pszText) {
    msg.result = FALSE;
    return true;
  }
  if (info->item.pszText) {
    // The text as the edit box holds it: the notification's copy is in the
    // ANSI code page, which may not hold every character typed or pasted.
    HWND edit = GetEditControl();
    const std::string typed = edit ? WindowTextUtf8(edit) : Utf8FromAnsi(info->item.pszText);
    const size_t index = GetItemData(info->item.hItem);
    if (index >= m_exactTexts.size()) return false;  // not one of ours
    std::string& exactName = m_exactTexts[index].name;
    std::string name;
    if (!exactName.empty() && typed == exactName) {
      msg.result = FALSE;  // unchanged: the stored name stays as it is
      return true;
    }
    if (!AnsiFromUtf8(typed, name)) {
      ReportUnstorableText();
      msg.result = FALSE;  // refused: the old name stays
      return true;
    }
    exactName.clear();
    // In place before sorting, so that the item moves to its new position.
    SetItemText(info->item.hItem, name.c_str());
    if (GetItemPath(info->item.hItem).empty()) {
      // Let the user type the path next. Posted: the edit box is still alive,
      // and taking the focus from it now would end the edit a second time.
      HWND dialog = ::GetParent(m_hWnd);
      if (HWND next = ::GetNextDlgTabItem(dialog, m_hWnd, FALSE)) {
        ::PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
      }
    }
  }
  SortBookmarks();
  msg.result = TRUE;  // accept the new text, if there is one
  return true;
}

bool CBookmarkTree::OnKeyDown(Message& msg) {
  const auto* key = reinterpret_cast<const NMTVKEYDOWN*>(msg.lParam);
  if (key->wVKey == VK_F2) {
    if (HTREEITEM item = GetSelectedItem()) EditLabel(item);
  }
  return false;  // the control's own key handling goes on
}
