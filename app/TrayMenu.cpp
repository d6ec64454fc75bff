#include "app/TrayMenu.h"

#include <shellapi.h>

#include <utility>

#include "framework/ShellServices.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
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

void CTrayMenu::Show(const CWinApp& settings, CWnd& owner, POINT at, bool fromKeyboard) {
  Destroy();
  // The names, read through one key; a choice reads its entry again.
  std::vector<Bookmark> list = LoadBookmarks(settings, false);
  if (!CreatePopupMenu()) return;
  m_shown.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const UINT_PTR id = ID_TRAY_BOOKMARK_BASE + i;
    if (list[i].exactName.empty()) {
      AppendMenu(MF_STRING, id, MenuLabel(list[i].name).c_str());
    } else {
      // A name that the ANSI code page cannot hold, cut as UTF-8.
      AppendMenu(MF_STRING, id, Widen(MenuLabel(list[i].exactName, CP_UTF8), CP_UTF8).data());
    }
    m_shown.push_back(std::move(list[i]));
  }
  AppendMenu(MF_SEPARATOR);
  AppendMenu(MF_STRING, ID_TRAY_OPTIONS, LoadResString(IDS_MENU_OPTIONS).c_str());
  AppendMenu(MF_SEPARATOR);
  AppendMenu(MF_STRING, ID_TRAY_ABOUT, LoadResString(IDS_MENU_ABOUT).c_str());
  AppendMenu(MF_STRING, ID_TRAY_QUIT, LoadResString(IDS_MENU_QUIT).c_str());

  APPBARDATA taskbar{};
  taskbar.cbSize = sizeof(taskbar);
  TheShell().AppBarMessage(ABM_GETTASKBARPOS, &taskbar);

  // A notification-area menu takes keyboard input and closes on a click
  // elsewhere only when its owner is the foreground window, and the WM_NULL
  // after it lets the next click on the icon open it again.
  ::SetForegroundWindow(owner.m_hWnd);
  // Opened from the keyboard, it starts with its first item highlighted, so
  // that the arrow keys and Enter work at once: the menu's loop takes this
  // key from the queue as soon as it runs.
  if (fromKeyboard) owner.PostMessage(WM_KEYDOWN, VK_DOWN, 1);
  TrackPopupMenu(MenuAlignment(taskbar.rc) | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y, &owner);
  owner.PostMessage(WM_NULL);
}

void CTrayMenu::Destroy() {
  DestroyMenu();
  m_shown.clear();
}

const Bookmark* CTrayMenu::Shown(int position) const {
  if (position < 0 || static_cast<size_t>(position) >= m_shown.size()) return nullptr;
  return &m_shown[static_cast<size_t>(position)];
}
