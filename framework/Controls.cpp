#include "framework/Controls.h"

HTREEITEM CTreeCtrl::InsertItem(LPCSTR text, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<LPSTR>(text);
  return reinterpret_cast<HTREEITEM>(
      SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item) const {
  return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
  // A label can be longer than any fixed buffer: grow until the text fits.
  std::vector<char> buffer(260);
  for (;;) {
    TVITEMA tvi{};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = buffer.data();
    tvi.cchTextMax = static_cast<int>(buffer.size());
    buffer[0] = '\0';
    if (!SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi))) return std::string();
    const size_t length = strnlen(tvi.pszText, buffer.size());
    if (length + 1 < buffer.size() || buffer.size() >= (1u << 24)) {
      return std::string(tvi.pszText, length < buffer.size() ? length : buffer.size() - 1);
    }
    buffer.resize(buffer.size() * 4);
  }
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCSTR text) const {
  TVITEMA tvi{};
  tvi.mask = TVIF_TEXT;
  tvi.hItem = item;
  tvi.pszText = const_cast<LPSTR>(text);
  return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)));
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const wchar_t* text) const {
  TVITEMW tvi{};
  tvi.mask = TVIF_TEXT;
  tvi.hItem = item;
  tvi.pszText = const_cast<LPWSTR>(text);
  return static_cast<BOOL>(SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
  return static_cast<DWORD_PTR>(tvi.lParam);
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) const {
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  tvi.lParam = static_cast<LPARAM>(data);
  return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)));
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  return CreateEx(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr);
}

namespace {
TOOLINFOA MakeToolInfo(CWnd* wnd, UINT_PTR toolId, LPCSTR text) {
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32 version
  info.hwnd = wnd->m_hWnd;
  info.uId = toolId;
  info.lpszText = const_cast<LPSTR>(text);
  return info;
}
}  // namespace

BOOL CToolTipCtrl::AddTool(CWnd* wnd, LPCSTR text, LPCRECT rect, UINT_PTR toolId) const {
  TOOLINFOA info = MakeToolInfo(wnd, toolId, text);
  if (rect) info.rect = *rect;
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(LPCSTR text, CWnd* wnd, UINT_PTR toolId) const {
  TOOLINFOA info = MakeToolInfo(wnd, toolId, text);
  SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}
