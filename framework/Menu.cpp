#include "framework/Menu.h"

#include <utility>

#include "framework/Wnd.h"

namespace {
thread_local HMENU t_trackingMenu = nullptr;
}  // namespace

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) const {
  const HMENU previous = std::exchange(t_trackingMenu, Get());
  const BOOL result = ::TrackPopupMenu(Get(), flags, x, y, 0, owner->m_hWnd, rect);
  t_trackingMenu = previous;
  return result;
}

HMENU CMenu::TrackingMenu() { return t_trackingMenu; }
