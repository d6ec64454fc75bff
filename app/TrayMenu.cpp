// The popup menu of the tray icon and the dispatch of its commands.
#include "about/AboutDialog.h"
#include "app/FolderTrayApp.h"
#include "app/ShellServices.h"
#include "bookmarks/OptionsDialog.h"
#include "res/resource.h"

namespace {

// Sent to every top-level window when the taskbar is created again.
UINT TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
  return message;
}

// Left-aligned when the taskbar is at the top or left edge, which it reports
// as a rectangle starting 2 pixels outside the screen; right-aligned otherwise.
UINT MenuAlignment(const RECT& taskbar) {
  return (taskbar.left == -2 && taskbar.top == -2) ? TPM_LEFTALIGN : TPM_RIGHTALIGN;
}

// The label of a bookmark's item: its name, cut to a length the menu can
// measure and draw at once (a megabyte of text would freeze it), at a
// character boundary of the ANSI code page.
std::string MenuLabel(const std::string& name) {
  constexpr size_t kMaxLabel = 512;
  if (name.size() <= kMaxLabel) return name;
  const char* end = name.c_str();
  for (const char* next = end; next - name.c_str() <= static_cast<ptrdiff_t>(kMaxLabel);
       next = ::CharNextA(next)) {
    end = next;
    if (!*next) break;
  }
  return std::string(name.c_str(), end);
}

LRESULT HandleCommand(CFolderTrayApp& app, WORD id) {
  switch (id) {
    case ID_TRAY_QUIT:
      app.m_wndHidden.EndModalLoop(0);
      break;
    case ID_TRAY_ABOUT: {
      CAboutDialog dialog;
      dialog.DoModal();
      break;
    }
    case ID_TRAY_OPTIONS: {
      COptionsDialog dialog;
      dialog.DoModal();
      break;
    }
    default:
      if (id >= ID_TRAY_BOOKMARK_BASE) {
        app.OpenBookmark(id - ID_TRAY_BOOKMARK_BASE, nullptr, app.m_nTree);
      }
      break;
  }
  app.DestroyTrayMenu();
  return 0;
}

}  // namespace

void CFolderTrayApp::ShowTrayMenu(WPARAM iconId, LPARAM mouseMessage) {
  if (mouseMessage != WM_LBUTTONDOWN || iconId != GetTrayIconId()) return;
  if (CMenu::TrackingMenu()) {
    // A press that arrives while our menu is still open (the shell's
    // notifications reach us inside the menu's loop) closes it, as a click
    // outside a menu does. Destroying and replacing the menu that the system
    // is still tracking would pull it from under its feet.
    ::EndMenu();
    return;
  }
  DestroyTrayMenu();

  const int count = LoadBookmarkCount();
  if (!m_menuTray.CreatePopupMenu()) return;
  for (int i = 0; i < count; ++i) {
    std::string name, path;
    const UINT_PTR id = static_cast<UINT_PTR>(ID_TRAY_BOOKMARK_BASE + i);
    if (LoadBookmark(i, name, path)) {
      m_menuTray.AppendMenu(MF_STRING, id, MenuLabel(name).c_str());
    } else {
      m_menuTray.AppendMenu(MF_DISABLED, id, "Invalid name");
    }
  }
  m_menuTray.AppendMenu(MF_SEPARATOR);
  m_menuTray.AppendMenu(MF_STRING, ID_TRAY_OPTIONS, LoadResString(IDS_MENU_OPTIONS).c_str());
  m_menuTray.AppendMenu(MF_SEPARATOR);
  m_menuTray.AppendMenu(MF_STRING, ID_TRAY_ABOUT, LoadResString(IDS_MENU_ABOUT).c_str());
  m_menuTray.AppendMenu(MF_STRING, ID_TRAY_QUIT, LoadResString(IDS_MENU_QUIT).c_str());

  POINT cursor{};
  ::GetCursorPos(&cursor);
  APPBARDATA taskbar{};
  taskbar.cbSize = sizeof(taskbar);
  TheShell().AppBarMessage(ABM_GETTASKBARPOS, &taskbar);

  // A notification-area menu takes keyboard input and closes on a click
  // elsewhere only when its owner is the foreground window, and the WM_NULL
  // after it lets the next click on the icon open it again.
  ::SetForegroundWindow(m_wndHidden.m_hWnd);
  m_menuTray.TrackPopupMenu(MenuAlignment(taskbar.rc) | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor.x,
                            cursor.y, &m_wndHidden);
  m_wndHidden.PostMessage(WM_NULL);
}

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CFolderTrayApp& app = TheApp();
  if (message == WM_COMMAND) {
    if (HIWORD(wParam) != 0) return 0;
    return HandleCommand(app, LOWORD(wParam));
  }
  if (message == WM_TRAYNOTIFY) {
    app.ShowTrayMenu(wParam, lParam);
    return 0;
  }
  if (message == TaskbarCreatedMessage()) {
    app.RestoreTrayIcon();
    return 0;
  }
  switch (message) {
    case WM_CLOSE:
      // Sent by task managers, uninstallers and updaters: end as Quit does,
      // instead of losing the window under a loop that would run on.
      app.CloseAll();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) {
        // The process may end as soon as this returns: the icon goes now.
        app.CloseAll();
        app.RemoveTrayIcon();
      }
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}
