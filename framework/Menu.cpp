#include "framework/Menu.h"

#include "framework/Wnd.h"

namespace {
thread_local HMENU t_trackingMenu = nullptr;
thread_local HWND t_trackingWindow = nullptr;
}  // namespace

BOOL CMenu::CreatePopupMenu() {
  DestroyMenu();
  m_hMenu = ::CreatePopupMenu();
  return m_hMenu != nullptr;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  const BOOL result = ::DestroyMenu(m_hMenu);
  m_hMenu = nullptr;
  return result;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) {
  const HMENU previousMenu = std::exchange(t_trackingMenu, m_hMenu);
  const HWND previousWindow = std::exchange(t_trackingWindow, owner->m_hWnd);
  const BOOL result = ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner->m_hWnd, rect);
  t_trackingMenu = previousMenu;
  t_trackingWindow = previousWindow;
  return result;
}

HMENU CMenu::TrackingMenu() { return t_trackingMenu; }
HWND CMenu::TrackingWindow() { return t_trackingWindow; }
