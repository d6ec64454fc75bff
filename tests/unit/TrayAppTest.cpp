// The notification icon and the application's start and end, through the
// recording shell.
#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <vector>

#include "res/resource.h"
#include "tests/unit/TestSupport.h"

namespace {

class TrayAppTest : public ::testing::Test {
 protected:
  FakeShell shell;
  MessageBoxWatcher watcher;  // outlives each test's application, whose end may show a box
};

TEST_F(TrayAppTest, AddAndRemoveFillTheFirstFormOfTheIconRecord) {
  HWND owner =
      ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  {
    TestApp app;
    app.AddTrayIcon(owner, IDR_MAINFRAME, "Pathstow");
    app.RemoveTrayIcon();
    app.RemoveTrayIcon();  // nothing more reaches the shell
  }
  ::DestroyWindow(owner);
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_DELETE}), shell.IconMessages());

  for (const auto& call : shell.iconCalls) {
    EXPECT_EQ(owner, call.data.hWnd);
    EXPECT_EQ(128u, call.data.uID);
  }
  const NOTIFYICONDATAA& add = shell.iconCalls[0].data;
  EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE), add.cbSize);
#ifndef _WIN64
  EXPECT_EQ(88u, add.cbSize);
#endif
  EXPECT_EQ(7u, add.uFlags);
  EXPECT_EQ(1125u, add.uCallbackMessage);
  EXPECT_NE(nullptr, add.hIcon);
  EXPECT_STREQ("Pathstow", add.szTip);

  // The version in the second form of the record, the first that holds it.
  const NOTIFYICONDATAA& version = shell.iconCalls[1].data;
  EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE), version.cbSize);
#ifndef _WIN64
  EXPECT_EQ(488u, version.cbSize);
#endif
  EXPECT_EQ(3u, version.uVersion);

  const NOTIFYICONDATAA& remove = shell.iconCalls[2].data;
  EXPECT_EQ(3u, remove.uFlags);
  EXPECT_EQ(add.hIcon, remove.hIcon);
  EXPECT_STREQ("", remove.szTip);
}

TEST_F(TrayAppTest, TheShellGetsTheSmallTrueColourIconWhichRemovalDestroys) {
  TestApp app;
  app.AddTrayIcon(nullptr, IDR_MAINFRAME, "Pathstow");
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}), shell.IconMessages());
  const HICON icon = shell.iconCalls[0].data.hIcon;
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(icon, &info));
  BITMAP colour{};
  ::GetObjectA(info.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(::GetSystemMetrics(SM_CXSMICON), colour.bmWidth);
  EXPECT_EQ(::GetSystemMetrics(SM_CYSMICON), colour.bmHeight);

  // An image with alpha: opaque pixels and clear ones (a 16-colour image
  // has an alpha of zero throughout).
  std::vector<RGBQUAD> pixels(static_cast<size_t>(colour.bmWidth) * colour.bmHeight);
  // 32 bits a pixel, the top row first.
  BITMAPINFO format{
      {sizeof(BITMAPINFOHEADER), colour.bmWidth, -colour.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
      {}};
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(colour.bmHeight), pixels.data(), &format,
              DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  const auto alpha = [&](BYTE value) {
    return std::count_if(pixels.begin(), pixels.end(),
                         [value](const RGBQUAD& pixel) { return pixel.rgbReserved == value; });
  };
  EXPECT_GT(alpha(255), 0);  // opaque
  EXPECT_GT(alpha(0), 0);    // clear

  app.RemoveTrayIcon();
  EXPECT_FALSE(::GetIconInfo(icon, &info));  // the icon was ours to destroy
}

TEST_F(TrayAppTest, RefusedAddAndRemoveAreReportedAndTheProgramGoesOn) {
  shell.notifyResult = FALSE;
  {
    TestApp app;
    app.AddTrayIcon(nullptr, IDR_MAINFRAME, "Pathstow");
    EXPECT_TRUE(app.HasTrayIcon());  // stored all the same, so removal is tried at exit
  }
  // No version for an icon the shell did not take.
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_DELETE}), shell.IconMessages());
  EXPECT_EQ((std::vector<std::string>{"Cannot add task bar icon", "Cannot remove task bar icon"}),
            watcher.Texts());
  for (const SeenBox& box : watcher.Boxes()) {
    EXPECT_EQ("Error", box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONHAND), box.icon);
    EXPECT_EQ(nullptr, box.owner);
  }
}

TEST_F(TrayAppTest, TaskbarRestartAddsTheIconAgainWithoutABox) {
  TestApp app;
  app.RestoreTrayIcon();  // no icon yet: nothing to restore
  EXPECT_TRUE(shell.iconCalls.empty());

  app.AddTrayIcon(nullptr, IDR_MAINFRAME, "Pathstow");
  app.RestoreTrayIcon();
  shell.notifyResult = FALSE;  // the icon is still there: the shell refuses a second one
  app.RestoreTrayIcon();
  ASSERT_EQ(
      (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_ADD, NIM_SETVERSION, NIM_ADD, NIM_MODIFY}),
      shell.IconMessages());
  EXPECT_STREQ("Pathstow", shell.iconCalls[2].data.szTip);
  shell.notifyResult = TRUE;
  app.RemoveTrayIcon();
  EXPECT_TRUE(watcher.Boxes().empty());
}

// The shell forgets an icon's version with the icon: "TaskbarCreated" sets it
// again on the icon it brings back or finds still there. A refusal of the
// version shows nothing and is not tried again.
TEST_F(TrayAppTest, TaskbarCreatedSetsTheVersionAgain) {
  const struct {
    std::vector<DWORD> refused, calls;
  } cases[] = {
      {{}, {NIM_ADD, NIM_SETVERSION}},                     // a new taskbar
      {{NIM_ADD}, {NIM_ADD, NIM_MODIFY, NIM_SETVERSION}},  // the icon still there
      {{NIM_ADD, NIM_MODIFY}, {NIM_ADD, NIM_MODIFY}},      // no taskbar at all
      {{NIM_SETVERSION}, {NIM_ADD, NIM_SETVERSION}},       // a shell without versions
  };
  TestApp app;
  CHiddenWnd::RegisterWindowClass(::GetModuleHandleA(nullptr));
  ASSERT_TRUE(app.m_wndHidden.CreateEx(0, kHiddenWindowClass, kHiddenWindowTitle, 0, 0, 0, 0, 0,
                                       nullptr, nullptr));
  app.AddTrayIcon(app.m_wndHidden.m_hWnd, IDR_MAINFRAME, "Pathstow");
  for (const auto& c : cases) {
    shell.iconCalls.clear();
    shell.refusedIconMessages = c.refused;
    app.m_wndHidden.SendMessage(::RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_EQ(c.calls, shell.IconMessages());
    const NOTIFYICONDATAA& last = shell.iconCalls.back().data;
    if (c.calls.back() == NIM_SETVERSION) {
      EXPECT_EQ(app.m_wndHidden.m_hWnd, last.hWnd);
      EXPECT_EQ(128u, last.uID);
      EXPECT_EQ(3u, last.uVersion);
    }
  }
  shell.refusedIconMessages.clear();
  app.RemoveTrayIcon();
  EXPECT_TRUE(watcher.Boxes().empty());
}

// Ends the hidden window's loop from inside it, as the Quit item does.
void CALLBACK ChooseQuit(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!TheApp().m_wndHidden.ContinueModal()) return;  // not in the loop yet (a box is up)
  ::KillTimer(nullptr, timer);
  ::SendMessageA(TheApp().m_wndHidden.m_hWnd, WM_COMMAND, ID_TRAY_QUIT, 0);
}

TEST_F(TrayAppTest, StartUpReadsTheSettingsAndRunsUntilQuit) {
  TestApp app;
  app.SetString("Command", "Command", "C:\\Tools\\opener.exe");
  app.SetDword("Command", "Tree", 0);
  ::SetTimer(nullptr, 0, 10, ChooseQuit);
  EXPECT_FALSE(app.InitInstance());

  EXPECT_EQ("C:\\Tools\\opener.exe", app.m_strCommand);
  EXPECT_EQ(0, app.m_nTree);
  ASSERT_TRUE(::IsWindow(app.m_wndHidden.m_hWnd));
  EXPECT_EQ("DummyClass", ClassNameOf(app.m_wndHidden.m_hWnd));
  EXPECT_EQ("Dummy", WindowTextOf(app.m_wndHidden.m_hWnd));
  EXPECT_FALSE(::IsWindowVisible(app.m_wndHidden.m_hWnd));
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}), shell.IconMessages());
  for (const auto& call : shell.iconCalls) EXPECT_EQ(app.m_wndHidden.m_hWnd, call.data.hWnd);
}

TEST_F(TrayAppTest, StartUpGoesOnWithoutAnIcon) {
  shell.notifyResult = FALSE;
  TestApp app;
  app.SetDword("Command", "Tree", 2);
  ::SetTimer(nullptr, 0, 10, ChooseQuit);
  app.InitInstance();  // returns only through Quit: the loop ran
  EXPECT_EQ(2, app.m_nTree);
  EXPECT_EQ(std::vector<std::string>{"Cannot add task bar icon"}, watcher.Texts());
}

TEST_F(TrayAppTest, FirstStartGivesDefaultsAndQuitMessageEndsTheLoop) {
  TestApp app;
  ::PostQuitMessage(3);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ("", app.m_strCommand);
  EXPECT_EQ(1, app.m_nTree);
  EXPECT_TRUE(app.HasKey("Command"));
  MSG msg;
  ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // posted again
  EXPECT_EQ(3u, msg.wParam);
}

// Opens Options from inside the program's loop; once it runs, a task
// manager's WM_CLOSE (or the end of the session) reaches the hidden window.
UINT g_closeMessage = WM_CLOSE;
void CALLBACK CloseFromOutside(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::SendMessageA(TheApp().m_wndHidden.m_hWnd, g_closeMessage, TRUE, 0);
}
void CALLBACK OpenOptions(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!TheApp().m_wndHidden.ContinueModal()) return;
  ::KillTimer(nullptr, timer);
  ::SetTimer(nullptr, 0, 100, CloseFromOutside);
  ::SendMessageA(TheApp().m_wndHidden.m_hWnd, WM_COMMAND, ID_TRAY_OPTIONS, 0);
}

// COM as the shell's calls find it: S_FALSE when it was initialised already.
class ComProbingShell : public FakeShell {
 public:
  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data) override {
    if (message == NIM_ADD) {
      comAtStart = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      if (SUCCEEDED(comAtStart)) ::CoUninitialize();
    }
    return FakeShell::NotifyIcon(message, data);
  }
  HRESULT comAtStart = E_FAIL;
};

TEST(TrayAppCloseTest, CloseAndEndOfSessionEndDialogsUnsavedAndTheProgram) {
  for (UINT message : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_ENDSESSION)}) {
    ComProbingShell shell;
    TestApp app;
    app.StoreList({{"Kept", "C:\\kept"}});
    g_closeMessage = message;
    ::SetTimer(nullptr, 0, 10, OpenOptions);
    app.InitInstance();  // returns only when the loop has ended
    EXPECT_EQ(S_FALSE, shell.comAtStart);
    EXPECT_EQ(nullptr, ::FindWindowA("#32770", nullptr));
    EXPECT_EQ("Kept", app.GetProfileString("Path List", "Path1"));
    if (message == WM_ENDSESSION) {  // the icon goes at once: the process may end any moment
      ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_DELETE}), shell.IconMessages());
    }
    EXPECT_EQ(TRUE, app.m_wndHidden.SendMessage(WM_QUERYENDSESSION));
    // The windows and the icon are gone before static destruction begins.
    const HWND hidden = app.m_wndHidden.m_hWnd;
    app.ExitInstance();
    EXPECT_FALSE(::IsWindow(hidden));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hidden));
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), shell.iconCalls.back().message);
    EXPECT_FALSE(app.HasTrayIcon());
  }
}

TEST_F(TrayAppTest, ShutdownRemovesTheIconAndDestroysWindowAndMenu) {
  HWND hidden = nullptr;
  HMENU menu = nullptr;
  {
    TestApp app;
    ::PostQuitMessage(0);
    app.InitInstance();
    MSG msg;
    ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    hidden = app.m_wndHidden.m_hWnd;
    app.m_menuTray.CreatePopupMenu();
    menu = app.m_menuTray.Get();
  }
  ASSERT_EQ((std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_DELETE}), shell.IconMessages());
  EXPECT_TRUE(shell.iconCalls[2].ownerAlive);
  EXPECT_FALSE(::IsWindow(hidden));
  EXPECT_FALSE(::IsMenu(menu));
}

}  // namespace
