#include "framework/Menu.h"

#include <utility>

#include "framework/Wnd.h"

namespace {
// Windows and menus live on the program's one user-interface thread.
HMENU g_trackingMenu = nullptr;
}  // namespace

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) const {
  const HMENU previous = std::exchange(g_trackingMenu, Get());
  const BOOL result = ::TrackPopupMenu(Get(), flags, x, y, 0, owner->m_hWnd, rect);
  g_trackingMenu = previous;
  return result;
}

HMENU CMenu::TrackingMenu() { return g_trackingMenu; }
