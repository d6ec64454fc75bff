// The application object: a hidden window that owns the tray icon and its
// popup menu of folder bookmarks, alive until the user chooses Quit.
#pragma once
#include <string>
#include <vector>

#include "app/HiddenWnd.h"
#include "app/TrayApp.h"
#include "bookmarks/BookmarkStore.h"
#include "framework/Menu.h"

class CFolderTrayApp : public CTrayApp, private CTrayCommands {
 public:
  CFolderTrayApp() : m_wndHidden(*this) {}
  // The icon goes while its window still exists: the shell knows it by that
  // window, which the members' destruction takes away before CTrayApp's.
  ~CFolderTrayApp() override { RemoveTrayIcon(); }

  // Registers "DummyClass", creates the hidden window, adds the icon, reads
  // the settings and runs the hidden window's loop until Quit. Always false.
  BOOL InitInstance() override;
  // Removes the icon and destroys the hidden window and the menu before
  // static destruction starts, and leaves COM.
  int ExitInstance() override;

  // Ends the program from outside (WM_CLOSE, the end of the session): open
  // dialogs, boxes and the menu end as if cancelled, then the main loop ends;
  // at the end of the session the icon goes at once.
  void CloseAll(bool sessionEnding) override;

  // Builds and tracks the popup menu for a left button press on the icon or
  // its selection from the keyboard (NIN_KEYSELECT, first item highlighted).
  void ShowTrayMenu(WPARAM iconId, LPARAM notification) override;
  // Destroys the popup menu, if one is stored, and forgets what it showed.
  void DestroyTrayMenu() override;
  // Opens the bookmark that the menu showed at `position`. When the entry
  // there no longer holds the name shown (another instance saved meanwhile),
  // the "not found" box shows instead of another folder.
  void OpenMenuBookmark(int position) override;
  void OnTaskbarCreated() override { RestoreTrayIcon(); }
  // Opens `path` (`exactPath`, in UTF-8, where the ANSI code page cannot hold it), or
  // bookmark `position` when path is null; failures are shown in a box owned
  // by `owner`, the window the user works in (null: the hidden window).
  void OpenBookmark(int position, LPCSTR path, int tree, HWND owner = nullptr,
                    const std::string& exactPath = std::string());

  int LoadBookmarkCount() const;
  BOOL LoadBookmark(int index, std::string& name, std::string& path) const;

  // Error box with caption "Error" owned by `owner` (null: the hidden window).
  void ShowError(const std::string& text, HWND owner = nullptr) const;

  CHiddenWnd m_wndHidden;
  CMenu m_menuTray;
  std::string m_strCommand;
  int m_nTree = 0;

 private:
  // The bookmark names of the menu in m_menuTray, by position.
  std::vector<Bookmark> m_menuNames;
  bool m_bComInitialized = false;
};

// The program's application object.
CFolderTrayApp& TheApp();
