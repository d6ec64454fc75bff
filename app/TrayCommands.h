// What the hidden window hands on to the application object that owns it.
#pragma once
#include <windows.h>

class CTrayCommands {
 public:
  // A notification of the tray icon: icon id, then the mouse message or, from
  // the keyboard, NIN_KEYSELECT.
  virtual void ShowTrayMenu(WPARAM iconId, LPARAM notification) = 0;
  virtual void DestroyTrayMenu() = 0;
  // Bookmark item `position` of the menu was chosen.
  virtual void OpenMenuBookmark(int position) = 0;
  // The taskbar was created again (the shell restarted).
  virtual void OnTaskbarCreated() = 0;
  // The program is asked to end from outside: everything open ends as if
  // cancelled. `sessionEnding`: the process may be ended as soon as this returns.
  virtual void CloseAll(bool sessionEnding) = 0;

 protected:
  ~CTrayCommands() = default;
};
