// The application object: a hidden window that owns the tray icon and its
// popup menu of folder bookmarks, alive until the user chooses Quit.
#pragma once
#include <string>

#include "app/HiddenWnd.h"
#include "app/TrayApp.h"
#include "app/TrayMenu.h"
#include "bookmarks/OptionsHost.h"

class CFolderTrayApp : public CTrayApp, public COptionsHost, private CTrayCommands {
 public:
  CFolderTrayApp() : m_wndHidden(*this, *this) {}
  // The icon goes while its window still exists: the shell knows it by that
  // window, which the members' destruction takes away before CTrayApp's.
  ~CFolderTrayApp() override { RemoveTrayIcon(); }

  // Registers the hidden window's class, creates the window, adds the icon,
  // reads the settings and runs the hidden window's loop until Quit. Always false.
  BOOL InitInstance() override;
  // Removes the icon and destroys the hidden window and the menu before
  // static destruction starts, and leaves COM.
  int ExitInstance() override;

  // Ends the program from outside (WM_CLOSE, the end of the session): open
  // dialogs, boxes and the menu end as if cancelled, then the main loop ends;
  // at the end of the session the icon goes at once.
  void CloseAll(bool sessionEnding) override;

  // Shows the popup menu for a left button press on the icon or its
  // selection from the keyboard (NIN_KEYSELECT, first item highlighted).
  void ShowTrayMenu(WPARAM iconId, LPARAM notification) override;
  void DestroyTrayMenu() override { m_menuTray.Destroy(); }
  // Opens the bookmark stored at `position`. When the menu showed another
  // name there (another instance saved meanwhile), or there is none, the
  // "not found" box shows instead of another folder.
  void OpenMenuBookmark(int position) override;
  void OnTaskbarCreated() override { RestoreTrayIcon(); }

  // Opens a folder with Explorer or the `Command` program; failures are shown
  // in a box owned by `owner`, the window the user works in (null: the hidden window).
  void OpenFolder(const std::string& path, const std::string& exactPath, int tree,
                  HWND owner) override;
  const CWinApp& Settings() const override { return *this; }
  int TreeSetting() const override { return m_nTree; }
  void SetTreeSetting(int tree) override { m_nTree = tree; }

  // Error box with caption "Error" owned by `owner` (null: the hidden window).
  void ShowError(const std::string& text, HWND owner = nullptr) const;

  CHiddenWnd m_wndHidden;
  CTrayMenu m_menuTray;
  std::string m_strCommand;
  int m_nTree = 0;

 private:
  bool m_bComInitialized = false;
};

// The program's application object.
CFolderTrayApp& TheApp();
