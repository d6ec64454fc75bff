#include "bookmarks/BookmarkTree.h"

#include <algorithm>

#include "app/FolderTrayApp.h"

const MessageMap* CBookmarkTree::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnReflected(WM_NOTIFY, TVN_ENDLABELEDITA, &CBookmarkTree::OnEndLabelEdit),
      OnReflected(WM_NOTIFY, TVN_KEYDOWN, &CBookmarkTree::OnKeyDown),
      OnMessage(TVM_ENDEDITLABELNOW, &CBookmarkTree::OnEndEditLabelNow),
  };
  static const MessageMap map{CTreeCtrl::GetMessageMap(), std::begin(entries), std::end(entries)};
  return &map;
}

void CBookmarkTree::LoadBookmarks(const CFolderTrayApp& app) {
  const std::vector<Bookmark> entries = ::LoadBookmarks(app);
  m_arrPaths.clear();
  m_arrPaths.reserve(entries.size());
  for (const Bookmark& entry : entries) {
    HTREEITEM item = InsertItem(entry.name.c_str());
    if (!item) break;
    SetItemData(item, static_cast<DWORD_PTR>(m_arrPaths.size()));
    m_arrPaths.push_back(entry.path);
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
  return item;
}

void CBookmarkTree::DeleteBookmark(HTREEITEM item) {
  const DWORD_PTR deleted = GetItemData(item);
  if (deleted < m_arrPaths.size())
    m_arrPaths.erase(m_arrPaths.begin() + static_cast<long>(deleted));
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
    entries.push_back({GetItemText(item), GetItemPath(item)});
  }
  return entries;
}

bool CBookmarkTree::SaveBookmarks(const CFolderTrayApp& app) const {
  return ::SaveBookmarks(app, Entries(), m_nLoadedCount);
}

std::string CBookmarkTree::GetPath(LPARAM index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_arrPaths.size()) return std::string();
  return m_arrPaths[static_cast<size_t>(index)];
}

void CBookmarkTree::SetPath(LPARAM index, const std::string& path) {
  if (index < 0 || static_cast<size_t>(index) >= m_arrPaths.size()) return;
  m_arrPaths[static_cast<size_t>(index)] = path;
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
    // In place before sorting, so that the item moves to its new position.
    SetItemText(info->item.hItem, info->item.pszText);
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
