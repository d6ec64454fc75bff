// An owned popup menu.
#pragma once
#include <windows.h>

#include <utility>

class CWnd;

class CMenu {
 public:
  CMenu() = default;
  ~CMenu() { DestroyMenu(); }
  CMenu(CMenu&& other) noexcept : m_hMenu(std::exchange(other.m_hMenu, nullptr)) {}
  CMenu& operator=(CMenu&& other) noexcept {
    if (this != &other) {
      DestroyMenu();
      m_hMenu = std::exchange(other.m_hMenu, nullptr);
    }
    return *this;
  }
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;
  HMENU GetSafeHmenu() const { return m_hMenu; }

  BOOL CreatePopupMenu();
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr) {
    return ::AppendMenuA(m_hMenu, flags, id, text);
  }
  // Destroys the menu if there is one; safe to call any number of times.
  BOOL DestroyMenu();
  // Tracks the menu, recording it and `owner` as the thread's tracking state meanwhile.
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);

  // The menu and window being tracked by this thread, if any.
  static HMENU TrackingMenu();
  static HWND TrackingWindow();
};
