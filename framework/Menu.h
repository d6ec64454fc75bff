// An owned popup menu.
#pragma once
#include <windows.h>

#include "framework/Handle.h"

class CWnd;

class CMenu : public CHandleOwner<MenuTraits> {
 public:
  BOOL CreatePopupMenu() {
    Reset(::CreatePopupMenu());
    return Get() != nullptr;
  }
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr) const {
    return ::AppendMenuA(Get(), flags, id, text);
  }
  // A label that the ANSI code page cannot hold.
  BOOL AppendMenu(UINT flags, UINT_PTR id, const wchar_t* text) const {
    return ::AppendMenuW(Get(), flags, id, text);
  }
  // Destroys the menu if there is one; safe to call any number of times.
  void DestroyMenu() { Reset(); }
  // Tracks the menu, recording it as the thread's tracking state meanwhile.
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr) const;

  // The menu being tracked by this thread, if any.
  static HMENU TrackingMenu();
};
