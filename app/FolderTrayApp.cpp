#include "app/FolderTrayApp.h"

#include <objbase.h>

#include "app/FolderOpener.h"
#include "bookmarks/BookmarkStore.h"
#include "framework/ShellServices.h"
#include "framework/Text.h"
#include "res/resource.h"

CFolderTrayApp& TheApp() { return *static_cast<CFolderTrayApp*>(AfxGetApp()); }

// --- start and end ---

BOOL CFolderTrayApp::InitInstance() {
  Enable3dControls();
  // The folder browser and the shell's open need COM on this thread.
  m_bComInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));

  CHiddenWnd::RegisterWindowClass(m_hInstance);
  if (!m_wndHidden.CreateEx(0, kHiddenWindowClass, kHiddenWindowTitle, 0, 0, 0, 0, 0, nullptr,
                            nullptr)) {
    return FALSE;
  }
  AddTrayIcon(m_wndHidden.m_hWnd, IDR_MAINFRAME, "Pathstow");

  SetRegistryKey("Kelvane");
  m_strCommand = GetProfileString(kCommandSection, kCommandEntry);
  m_nTree = GetProfileInt(kCommandSection, kTreeEntry, 1);

  m_wndHidden.RunModalLoop(0);
  return FALSE;
}

int CFolderTrayApp::ExitInstance() {
  RemoveTrayIcon();
  m_wndHidden.DestroyWindow();
  DestroyTrayMenu();
  if (m_bComInitialized) ::CoUninitialize();
  m_bComInitialized = false;
  return CTrayApp::ExitInstance();
}

void CFolderTrayApp::CloseAll(bool sessionEnding) {
  CWnd::EndThreadModalLoops(IDCANCEL);
  if (sessionEnding) RemoveTrayIcon();
}

// --- the menu ---

void CFolderTrayApp::ShowTrayMenu(WPARAM iconId, LPARAM notification) {
  // Enter or Space on the icon, when the notification area has the keyboard.
  const bool fromKeyboard = notification == NIN_KEYSELECT;
  if ((notification != WM_LBUTTONDOWN && !fromKeyboard) || iconId != GetTrayIconId()) return;
  if (CMenu::TrackingMenu()) {
    // A press that arrives while our menu is still open (the shell's
    // notifications reach us inside the menu's loop) closes it, as a click
    // outside a menu does. Destroying and replacing the menu that the system
    // is still tracking would pull it from under its feet. Enter sends the key
    // selection twice: the second one finds the menu open and leaves it so.
    if (!fromKeyboard) ::EndMenu();
    return;
  }
  // At the pointer; from the keyboard at the middle of the icon, as a press
  // there would open it, or at the pointer where the shell cannot say where the icon is.
  POINT at{};
  RECT icon{};
  if (fromKeyboard && GetTrayIconRect(icon)) {
    at = {icon.left + (icon.right - icon.left) / 2, icon.top + (icon.bottom - icon.top) / 2};
  } else {
    ::GetCursorPos(&at);
  }
  m_menuTray.Show(*this, m_wndHidden, at, fromKeyboard);
}

void CFolderTrayApp::OpenMenuBookmark(int position) {
  // A command from another sender than our menu opens the entry as it is stored now.
  const Bookmark* shown = m_menuTray.Shown(position);
  Bookmark entry;
  if (!::LoadBookmark(*this, position, entry) ||
      (shown && (entry.name != shown->name || entry.exactName != shown->exactName))) {
    ShowError(LoadResString(IDS_NAME_NOT_FOUND));
    return;
  }
  OpenFolder(entry.path, entry.exactPath, m_nTree, nullptr);
}

// --- opening a folder ---

void CFolderTrayApp::OpenFolder(const std::string& path, const std::string& exactPath, int tree,
                                HWND owner) {
  std::string program;
  if (!m_strCommand.empty()) {
    program = ResolveProgram(m_strCommand);
    if (program.empty()) {
      ShowError(LaunchErrorText(ERROR_FILE_NOT_FOUND), owner);
      return;
    }
  }
  // Built in UTF-8 and started through the wide call: the exact stored
  // folder arrives whole, also where the ANSI code page cannot hold it.
  const std::string folder = exactPath.empty() ? Utf8FromAnsi(path) : exactPath;
  const FolderLaunch launch = BuildFolderLaunch(Utf8FromAnsi(program), tree, folder);
  INT_PTR result = 0;
  {
    CWaitCursor wait;
    result = reinterpret_cast<INT_PTR>(TheShell().Execute(
        owner ? owner : m_wndHidden.m_hWnd, L"open", Widen(launch.file, CP_UTF8).data(),
        Widen(launch.parameters, CP_UTF8).data(), Widen(launch.directory, CP_UTF8).data(),
        SW_SHOWNORMAL));
  }
  if (static_cast<int>(result) <= 32) ShowError(LaunchErrorText(result), owner);
}

void CFolderTrayApp::ShowError(const std::string& text, HWND owner) const {
  ::MessageBoxA(owner ? owner : m_wndHidden.m_hWnd, text.c_str(), LoadResString(IDS_ERROR).c_str(),
                MB_ICONHAND);
}
