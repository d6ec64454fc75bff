// The tray icon's popup menu and the dispatch of its commands, with real
// menus tracked by the system and inspected while they are open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bookmarks/BookmarkStore.h"
#include "framework/Menu.h"
#include "res/resource.h"
#include "tests/unit/TestSupport.h"

namespace {

struct MenuItem {
  UINT id, state;
  std::string text;
  std::wstring wide;  // as the menu holds it, whatever the code page
};

struct OpenMenu {
  std::vector<MenuItem> items;
  RECT rect{};
  HWND foreground = nullptr;
  bool seen = false;
};

OpenMenu g_seen;

void CALLBACK InspectAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  HMENU menu = CMenu::TrackingMenu();
  g_seen.seen = menu != nullptr;
  for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
    char text[1024] = {};
    WCHAR wide[1024] = {};
    ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
    ::GetMenuStringW(menu, static_cast<UINT>(i), wide, 1024, MF_BYPOSITION);
    g_seen.items.push_back({::GetMenuItemID(menu, i),
                            ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION), text, wide});
  }
  if (HWND popup = ::FindWindowA("#32768", nullptr)) ::GetWindowRect(popup, &g_seen.rect);
  g_seen.foreground = ::GetForegroundWindow();
  ::EndMenu();
}

// A second press on the icon that arrives while the menu is open.
void CALLBACK PressAgain(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  g_seen.seen = CMenu::TrackingMenu() != nullptr;
  TheApp().m_wndHidden.SendMessage(WM_TRAYNOTIFY, IDR_MAINFRAME, WM_LBUTTONDOWN);
}

// The timers of a test, all ended once its menu has gone.
std::vector<UINT_PTR> g_timers;
void StartTimer(TIMERPROC step, UINT ms = 50) {
  g_timers.push_back(::SetTimer(nullptr, 0, ms, step));
}

void CALLBACK EndTheMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::EndMenu();
}

// Enter, as the keyboard delivers it to the menu's thread; the menu is ended
// anyway a while later, should the key not end it.
void CALLBACK PressEnter(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  g_seen.seen = CMenu::TrackingMenu() != nullptr;
  const auto key = static_cast<LPARAM>(1 | ::MapVirtualKeyA(VK_RETURN, MAPVK_VK_TO_VSC) << 16);
  TheApp().m_wndHidden.PostMessage(WM_KEYDOWN, VK_RETURN, key);
  TheApp().m_wndHidden.PostMessage(WM_KEYUP, VK_RETURN, key | static_cast<LPARAM>(0xC0000000));
  StartTimer(EndTheMenu, 5000);
}

// The shell's second key selection for one Enter, while the menu is open; then Enter.
void CALLBACK KeySelectAgain(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  TheApp().m_wndHidden.PostMessage(WM_TRAYNOTIFY, IDR_MAINFRAME, NIN_KEYSELECT);
  StartTimer(PressEnter);
}

class TrayMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = OpenMenu();
    CHiddenWnd::RegisterWindowClass(::GetModuleHandleA(nullptr));
    app.m_wndHidden.CreateEx(0, kHiddenWindowClass, kHiddenWindowTitle, 0, 0, 0, 0, 0, nullptr,
                             nullptr);
    app.AddTrayIcon(app.m_wndHidden.m_hWnd, IDR_MAINFRAME, "Pathstow");
    ::SetCursorPos(500, 400);
  }
  void TearDown() override { PumpMessages(); }

  // Presses the left button on the icon, with `whileOpen` due once a menu is tracked;
  // answers whether one was. A timer left over (no menu) would end the next test's menu.
  bool ClickIcon(LPARAM mouse = WM_LBUTTONDOWN, WPARAM icon = IDR_MAINFRAME,
                 TIMERPROC whileOpen = InspectAndClose) {
    g_seen = OpenMenu();
    StartTimer(whileOpen);
    app.m_wndHidden.SendMessage(WM_TRAYNOTIFY, icon, mouse);
    EndTimers();
    return g_seen.seen;
  }
  // Posts an icon notification as the shell does and runs it, with `whileOpen`
  // due once a menu is tracked; answers whether one was.
  bool Notify(LPARAM notification, TIMERPROC whileOpen = InspectAndClose,
              WPARAM icon = IDR_MAINFRAME) {
    g_seen = OpenMenu();
    StartTimer(whileOpen);
    app.m_wndHidden.PostMessage(WM_TRAYNOTIFY, icon, notification);
    PumpMessages();
    EndTimers();
    return g_seen.seen;
  }
  static void EndTimers() {
    for (UINT_PTR timer : g_timers) ::KillTimer(nullptr, timer);
    g_timers.clear();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) continue;
  }
  LRESULT Command(WPARAM wParam) { return app.m_wndHidden.SendMessage(WM_COMMAND, wParam, 0); }

  FakeShell shell;
  MessageBoxWatcher watcher;
  TestApp app;
};

TEST_F(TrayMenuTest, BookmarksFollowedByOptionsAboutAndQuit) {
  SaveBookmarks(app, {{"&Docs", "C:\\Docs"}, {"", ""}, {"Music", "D:\\Music"}}, 0);
  ASSERT_TRUE(ClickIcon());
  const std::vector<std::pair<UINT, std::string>> expected = {
      {200, "&Docs"},   {201, ""}, {202, "Music"}, {0, ""},
      {106, "Options"}, {0, ""},   {105, "About"}, {104, "Quit"}};
  ASSERT_EQ(expected.size(), g_seen.items.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].first, g_seen.items[i].id);
    EXPECT_EQ(expected[i].second, g_seen.items[i].text);
    const bool separator = expected[i].first == 0;
    EXPECT_EQ(separator, (g_seen.items[i].state & MF_SEPARATOR) != 0);
    if (!separator) {
      EXPECT_EQ(0u, g_seen.items[i].state & (MF_DISABLED | MF_GRAYED));
    }
  }
  // The menu stays stored until a command has been handled.
  EXPECT_NE(nullptr, app.m_menuTray.Get());
}

TEST_F(TrayMenuTest, HugeNamesAreCutForTheMenuOnly) {
  const std::string huge(1 << 20, 'N');
  SaveBookmarks(app, {{huge, "C:\\Huge"}}, 0);
  ASSERT_TRUE(ClickIcon());
  EXPECT_EQ(std::string(512, 'N'), g_seen.items[0].text);
  std::string name, path;
  LoadBookmark(app, 0, name, path);
  EXPECT_EQ(huge, name);  // the stored name stays whole
}

TEST_F(TrayMenuTest, APressWhileTheMenuIsOpenClosesIt) {
  EXPECT_TRUE(ClickIcon(WM_LBUTTONDOWN, IDR_MAINFRAME, PressAgain));
  EXPECT_EQ(nullptr, CMenu::TrackingMenu());
  EXPECT_TRUE(::IsMenu(app.m_menuTray.Get()));  // not destroyed while it was tracked
  EXPECT_EQ(1u, shell.appBarCalls.size());      // and no second menu built
}

TEST_F(TrayMenuTest, EmptyListStartsWithASeparator) {
  ClickIcon();
  ASSERT_EQ(5u, g_seen.items.size());
  EXPECT_TRUE(g_seen.items[0].state & MF_SEPARATOR);
  EXPECT_EQ(106u, g_seen.items[1].id);
}

TEST_F(TrayMenuTest, OnlyALeftPressOnOurIconOpensTheMenu) {
  for (LPARAM mouse : {WM_RBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE}) {
    EXPECT_FALSE(ClickIcon(mouse)) << mouse;
  }
  EXPECT_FALSE(ClickIcon(WM_LBUTTONDOWN, IDR_MAINFRAME + 1));
  EXPECT_TRUE(shell.appBarCalls.empty());
  EXPECT_EQ(nullptr, app.m_menuTray.Get());
}

// What the shell sends an icon of version 3: the key selection opens the menu
// with its first item highlighted, a left press without; the others nothing.
TEST_F(TrayMenuTest, TheKeySelectionOpensTheMenuWithItsFirstItemHighlighted) {
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}, {"Music", "D:\\Music"}}, 0);
  const struct {
    LPARAM notification;
    WPARAM icon;
    bool opens, highlighted;
  } cases[] = {{NIN_KEYSELECT, IDR_MAINFRAME, true, true},
               {WM_LBUTTONDOWN, IDR_MAINFRAME, true, false},
               {NIN_SELECT, IDR_MAINFRAME, false, false},
               {WM_CONTEXTMENU, IDR_MAINFRAME, false, false},
               {WM_RBUTTONDOWN, IDR_MAINFRAME, false, false},
               {WM_RBUTTONUP, IDR_MAINFRAME, false, false},
               {NIN_KEYSELECT, IDR_MAINFRAME + 1, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notification);
    ASSERT_EQ(c.opens, Notify(c.notification, InspectAndClose, c.icon));
    if (!c.opens) continue;
    ASSERT_EQ(7u, g_seen.items.size());
    for (size_t i = 0; i < g_seen.items.size(); ++i) {
      EXPECT_EQ(c.highlighted && i == 0, (g_seen.items[i].state & MF_HILITE) != 0) << i;
    }
    EXPECT_EQ(app.m_wndHidden.m_hWnd, g_seen.foreground);
  }
  EXPECT_EQ(2u, shell.appBarCalls.size());  // two menus, no more
}

// Enter on the first item opens that bookmark, also when the shell's second key
// selection for the Enter that opened the menu came first: that one leaves the
// menu open, its highlight where it was.
TEST_F(TrayMenuTest, EnterOnTheFirstItemOpensThatBookmark) {
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}, {"Music", "D:\\Music"}}, 0);
  app.m_nTree = 0;
  for (TIMERPROC whileOpen : {PressEnter, KeySelectAgain}) {
    shell.executions.clear();
    EXPECT_TRUE(Notify(NIN_KEYSELECT, whileOpen));  // open when Enter came
    ASSERT_EQ(1u, shell.executions.size());
    EXPECT_EQ("C:\\Docs", shell.executions[0].parameters);
    EXPECT_EQ(nullptr, app.m_menuTray.Get());
  }
  EXPECT_EQ(2u, shell.appBarCalls.size());  // one menu each time
}

// From the keyboard the menu opens at the middle of the icon, aligned as a
// press there would align it; at the pointer when the shell has no rectangle.
TEST_F(TrayMenuTest, TheKeySelectionOpensTheMenuAtTheIcon) {
  const RECT bottom{0, 767, 1024, 768}, left{-2, -2, 60, 770};
  const struct {
    RECT taskbar;
    bool hasIconRect;
    LONG RECT::*edge;
    POINT at;
  } cases[] = {{bottom, true, &RECT::right, {610, 290}},
               {left, true, &RECT::left, {610, 290}},
               {bottom, false, &RECT::right, {500, 400}}};
  shell.iconRect = {600, 280, 620, 300};
  for (const auto& c : cases) {
    shell.taskbar = c.taskbar;
    shell.hasIconRect = c.hasIconRect;
    ASSERT_TRUE(Notify(NIN_KEYSELECT));
    EXPECT_EQ(c.at.x, g_seen.rect.*c.edge);
    EXPECT_EQ(c.at.y, g_seen.rect.top);
  }
  ASSERT_EQ(3u, shell.iconRectCalls.size());
  EXPECT_EQ(sizeof(NOTIFYICONIDENTIFIER), shell.iconRectCalls[0].cbSize);
  EXPECT_EQ(app.m_wndHidden.m_hWnd, shell.iconRectCalls[0].hWnd);
  EXPECT_EQ(128u, shell.iconRectCalls[0].uID);

  Notify(WM_LBUTTONDOWN);  // a press opens at the pointer without asking
  EXPECT_EQ(3u, shell.iconRectCalls.size());
}

// A shell that refuses the version: the left press works as it always did.
TEST_F(TrayMenuTest, WithoutTheVersionALeftPressStillOpensTheMenu) {
  app.RemoveTrayIcon();
  shell.refusedIconMessages = {NIM_SETVERSION};
  app.AddTrayIcon(app.m_wndHidden.m_hWnd, IDR_MAINFRAME, "Pathstow");
  EXPECT_TRUE(app.HasTrayIcon());
  EXPECT_TRUE(Notify(WM_LBUTTONDOWN));
  EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(TrayMenuTest, MenuOpensAwayFromTheTaskbarsEdge) {
  ASSERT_TRUE(ClickIcon());  // bottom taskbar: the menu's right edge at the pointer
  EXPECT_EQ(500, g_seen.rect.right);
  EXPECT_EQ(400, g_seen.rect.top);
  ASSERT_EQ(1u, shell.appBarCalls.size());
  EXPECT_EQ(static_cast<DWORD>(sizeof(APPBARDATA)), shell.appBarCalls[0].cbSize);
  EXPECT_EQ(nullptr, shell.appBarCalls[0].hWnd);

  for (RECT edge : {RECT{-2, -2, 1026, 30}, RECT{-2, -2, 60, 770}}) {  // top, left
    shell.taskbar = edge;
    ClickIcon();
    EXPECT_EQ(500, g_seen.rect.left);
  }
  shell.hasTaskbar = false;  // no rectangle at all: right-aligned
  ClickIcon();
  EXPECT_EQ(500, g_seen.rect.right);
}

TEST_F(TrayMenuTest, OwnerIsForegroundWhileTrackingAndIsWokenAfter) {
  ClickIcon();
  EXPECT_EQ(app.m_wndHidden.m_hWnd, g_seen.foreground);
  MSG msg;
  EXPECT_TRUE(::PeekMessageA(&msg, app.m_wndHidden.m_hWnd, WM_NULL, WM_NULL, PM_REMOVE));
}

TEST_F(TrayMenuTest, ChoosingABookmarkOpensItAndDestroysTheMenu) {
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}, {"Music", "D:\\Music"}}, 0);
  app.m_nTree = 0;
  ClickIcon();
  HMENU menu = app.m_menuTray.Get();
  EXPECT_EQ(0, Command(201));
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ("D:\\Music", shell.executions[0].parameters);  // the application's Tree: 0
  EXPECT_EQ(nullptr, app.m_menuTray.Get());
  EXPECT_FALSE(::IsMenu(menu));
}

// Another instance saves between the menu and the click: an item opens its
// own bookmark, or, when its position now holds another name, none at all.
TEST_F(TrayMenuTest, AClickOpensWhatTheMenuShowed) {
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}, {"Music", "D:\\Music"}}, 0);
  app.m_nTree = 0;
  ClickIcon();
  SaveBookmarks(app, {{"Docs", "C:\\Moved"}, {"Art", "E:\\Art"}, {"Music", "D:\\Music"}}, 2);
  Command(200);  // "Docs", still first: its folder as stored now
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ("C:\\Moved", shell.executions[0].parameters);

  ClickIcon();
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}, {"Music", "D:\\Music"}}, 3);
  Command(201);  // shown as "Art", now "Music"
  EXPECT_EQ(1u, shell.executions.size());
  EXPECT_EQ(std::vector<std::string>{"Cannot find this name in the registry"}, watcher.Texts());
}

TEST_F(TrayMenuTest, NotificationCommandsAreIgnoredAndUnknownOnesOnlyDestroyTheMenu) {
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}}, 0);
  ClickIcon();
  EXPECT_EQ(0, Command(MAKEWPARAM(200, 1)));
  EXPECT_NE(nullptr, app.m_menuTray.Get());
  EXPECT_TRUE(shell.executions.empty());
  EXPECT_EQ(0, Command(107));
  EXPECT_EQ(nullptr, app.m_menuTray.Get());
  EXPECT_TRUE(shell.executions.empty());
}

TEST_F(TrayMenuTest, AnOpenMenuIsReplacedByTheNextPress) {
  SaveBookmarks(app, {{"Docs", "C:\\Docs"}}, 0);
  ClickIcon();
  HMENU first = app.m_menuTray.Get();
  SaveBookmarks(app, {{"A", "a"}, {"B", "b"}}, 1);
  ClickIcon();
  EXPECT_FALSE(::IsMenu(first));
  EXPECT_EQ(7u, g_seen.items.size());  // read afresh: two bookmarks now
}

// The owner of the dialog that a menu command opened; the dialog is cancelled.
HWND g_dialogOwner = nullptr;
BOOL CALLBACK CancelOurDialog(HWND window, LPARAM) {
  if (ClassNameOf(window) != "#32770" || !CWnd::FromHandlePermanent(window)) return TRUE;
  g_dialogOwner = ::GetWindow(window, GW_OWNER);
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return FALSE;
}
void CALLBACK InspectDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::EnumThreadWindows(::GetCurrentThreadId(), CancelOurDialog, 0);
}

// The menu makes the invisible hidden window active; a dialog opened from it
// has no owner, so it keeps its taskbar button.
TEST_F(TrayMenuTest, DialogsFromTheMenuHaveNoOwner) {
  for (WPARAM command : {ID_TRAY_ABOUT, ID_TRAY_OPTIONS}) {
    ::SetForegroundWindow(app.m_wndHidden.m_hWnd);
    g_dialogOwner = app.m_wndHidden.m_hWnd;
    ::SetTimer(nullptr, 0, 50, InspectDialog);
    Command(command);
    EXPECT_EQ(nullptr, g_dialogOwner) << command;
  }
}

TEST_F(TrayMenuTest, QuitEndsTheHiddenWindowsLoop) {
  app.m_wndHidden.PostMessage(WM_COMMAND, ID_TRAY_QUIT);
  EXPECT_EQ(0, app.m_wndHidden.RunModalLoop());
}

std::wstring Repeat(const std::wstring& text, size_t times) {
  std::wstring repeated;
  for (size_t i = 0; i < times; ++i) repeated += text;
  return repeated;
}

// Names in any script show as stored, cut like any other (at 512 bytes of
// UTF-8) but never inside a character, and open their exact folder.
TEST_F(TrayMenuTest, NamesOfAnyScriptShowAsStoredAndOpenTheirExactFolder) {
  const std::wstring folder = L"\U0001F4C1", day = L"\u65e5";  // 4 and 3 bytes in UTF-8
  app.StoreList({{"", "", Utf8(L"a" + Repeat(folder, 300)), Utf8(L"C:\\" + folder)},
                 {"", "", Utf8(Repeat(day, 400)), Utf8(L"D:\\" + day)},
                 {"", "", u8"\u0391\u03b8\u03ae\u03bd\u03b1", u8"C:\\\u0391"}});
  app.m_nTree = 1;
  ASSERT_TRUE(ClickIcon());
  EXPECT_EQ(L"a" + Repeat(folder, 127), g_seen.items[0].wide);
  EXPECT_EQ(Repeat(day, 170), g_seen.items[1].wide);
  EXPECT_EQ(L"\u0391\u03b8\u03ae\u03bd\u03b1", g_seen.items[2].wide);
  Command(ID_TRAY_BOOKMARK_BASE);
  ASSERT_EQ(1u, shell.executions.size());
  EXPECT_EQ("/e,/n,C:\\" + Utf8(folder), shell.executions[0].parameters);
  EXPECT_TRUE(watcher.Boxes().empty());
}

}  // namespace
