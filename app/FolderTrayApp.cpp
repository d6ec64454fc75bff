#include "app/FolderTrayApp.h"

#include <objbase.h>

#include <utility>

#include "app/FolderOpener.h"
#include "bookmarks/BookmarkStore.h"
#include "framework/ShellServices.h"
#include "framework/Text.h"
#include "res/resource.h"

namespace {

// Left-aligned when the taskbar is at the top or left edge, which it reports
// as a rectangle starting 2 pixels outside the screen; right-aligned otherwise.
UINT MenuAlignment(const RECT& taskbar) {
  return (taskbar.left == -2 && taskbar.top == -2) ? TPM_LEFTALIGN : TPM_RIGHTALIGN;
}

// The label of a bookmark's item: its name, cut to a length the menu can
// measure and draw at once (a megabyte of text would freeze it), at a
// character boundary of `codePage`: never inside a character.
std::string MenuLabel(const std::string& name, UINT codePage = CP_ACP) {
  constexpr size_t kMaxLabel = 512;
  if (name.size() <= kMaxLabel) return name;
  const char* const begin = name.c_str();
  const char* end = begin;
  while (*end) {
    const char* next = NextChar(end, codePage);
    if (static_cast<size_t>(next - begin) > kMaxLabel) break;
    end = next;
  }
  return std::string(begin, end);
}

}  // namespace

CFolderTrayApp& TheApp() { return *static_cast<CFolderTrayApp*>(AfxGetApp()); }

// --- start and end ---

BOOL CFolderTrayApp::InitInstance() {
  Enable3dControls();
  // The folder browser and the shell's open need COM on this thread.
  m_bComInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));

  CHiddenWnd::RegisterWindowClass(m_hInstance);
  if (!m_wndHidden.CreateEx(0, "DummyClass", "Dummy", 0, 0, 0, 0, 0, nullptr, nullptr)) {
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
  DestroyTrayMenu();

  // The names, read through one key; a click reads its entry again.
  std::vector<Bookmark> list = LoadBookmarks(*this, false);
  if (!m_menuTray.CreatePopupMenu()) return;
  m_menuNames.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const UINT_PTR id = ID_TRAY_BOOKMARK_BASE + i;
    if (list[i].exactName.empty()) {
      m_menuTray.AppendMenu(MF_STRING, id, MenuLabel(list[i].name).c_str());
    } else {
      // A name that the ANSI code page cannot hold, cut as UTF-8.
      m_menuTray.AppendMenu(MF_STRING, id,
                            Widen(MenuLabel(list[i].exactName, CP_UTF8), CP_UTF8).data());
    }
    m_menuNames.push_back(std::move(list[i]));
  }
  m_menuTray.AppendMenu(MF_SEPARATOR);
  m_menuTray.AppendMenu(MF_STRING, ID_TRAY_OPTIONS, LoadResString(IDS_MENU_OPTIONS).c_str());
  m_menuTray.AppendMenu(MF_SEPARATOR);
  m_menuTray.AppendMenu(MF_STRING, ID_TRAY_ABOUT, LoadResString(IDS_MENU_ABOUT).c_str());
  m_menuTray.AppendMenu(MF_STRING, ID_TRAY_QUIT, LoadResString(IDS_MENU_QUIT).c_str());

  // At the pointer; from the keyboard at the middle of the icon, as a press
  // there would open it, or at the pointer where the shell cannot say where the icon is.
  POINT at{};
  RECT icon{};
  if (fromKeyboard && GetTrayIconRect(icon)) {
    at = {icon.left + (icon.right - icon.left) / 2, icon.top + (icon.bottom - icon.top) / 2};
  } else {
    ::GetCursorPos(&at);
  }
  APPBARDATA taskbar{};
  taskbar.cbSize = sizeof(taskbar);
  TheShell().AppBarMessage(ABM_GETTASKBARPOS, &taskbar);

  // A notification-area menu takes keyboard input and closes on a click
  // elsewhere only when its owner is the foreground window, and the WM_NULL
  // after it lets the next click on the icon open it again.
  ::SetForegroundWindow(m_wndHidden.m_hWnd);
  // Opened from the keyboard, it starts with its first item highlighted, so
  // that the arrow keys and Enter work at once: the menu's loop takes this
  // key from the queue as soon as it runs.
  if (fromKeyboard) m_wndHidden.PostMessage(WM_KEYDOWN, VK_DOWN, 1);
  m_menuTray.TrackPopupMenu(MenuAlignment(taskbar.rc) | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y,
                            &m_wndHidden);
  m_wndHidden.PostMessage(WM_NULL);
}

void CFolderTrayApp::DestroyTrayMenu() {
  m_menuTray.DestroyMenu();
  m_menuNames.clear();
}

void CFolderTrayApp::OpenMenuBookmark(int position) {
  if (position < 0 || static_cast<size_t>(position) >= m_menuNames.size()) {
    // Not from a menu of ours: the entry as it is stored now.
    OpenBookmark(position, nullptr, m_nTree);
    return;
  }
  const Bookmark& shown = m_menuNames[static_cast<size_t>(position)];
  Bookmark entry;
  if (!::LoadBookmark(*this, position, entry) || entry.name != shown.name ||
      entry.exactName != shown.exactName) {
    ShowError(LoadResString(IDS_NAME_NOT_FOUND));
    return;
  }
  OpenBookmark(position, entry.path.c_str(), m_nTree, nullptr, entry.exactPath);
}

// --- opening a folder ---

void CFolderTrayApp::OpenBookmark(int position, LPCSTR path, int tree, HWND owner,
                                  const std::string& exactPath) {
  Bookmark entry;
  if (path) {
    entry.path = path;
    entry.exactPath = exactPath;
  } else if (!::LoadBookmark(*this, position, entry)) {
    ShowError(LoadResString(IDS_NAME_NOT_FOUND), owner);
    return;
  }
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
  const std::string folder = entry.exactPath.empty() ? Utf8FromAnsi(entry.path) : entry.exactPath;
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

// --- the bookmark list ---

int CFolderTrayApp::LoadBookmarkCount() const { return ::LoadBookmarkCount(*this); }

BOOL CFolderTrayApp::LoadBookmark(int index, std::string& name, std::string& path) const {
  return ::LoadBookmark(*this, index, name, path) ? TRUE : FALSE;
}
