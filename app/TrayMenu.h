// The tray icon's popup menu: built afresh from the stored list at each
// press, tracked at the icon, and the bookmarks it showed, by position, so
// that a choice opens the entry the user saw.
#pragma once
#include <windows.h>

#include <vector>

#include "bookmarks/BookmarkStore.h"
#include "framework/Menu.h"

class CWinApp;
class CWnd;

class CTrayMenu : public CMenu {
 public:
  // Builds the menu of the list stored under `settings` (bookmark i is
  // command ID_TRAY_BOOKMARK_BASE + i, then Options, About and Quit) and
  // tracks it at `at`, aligned to the taskbar, for `owner`, which gets its
  // commands. From the keyboard its first item starts highlighted.
  void Show(const CWinApp& settings, CWnd& owner, POINT at, bool fromKeyboard);
  // Destroys the menu, if there is one, and forgets what it showed.
  void Destroy();
  // The bookmark shown at `position` (its name only); null when there was none.
  const Bookmark* Shown(int position) const;

 private:
  std::vector<Bookmark> m_shown;
};
