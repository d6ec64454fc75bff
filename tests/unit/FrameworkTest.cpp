// The framework layer against real windows and controls: message maps,
// reflection, data exchange, the modal loop and the handle map.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "tests/unit/TestDialogs.h"
#include "tests/unit/TestSupport.h"

namespace {

using Events = std::vector<std::string>;
Events g_events;

// Notes `event` in g_events; true, as a handler that took the message answers.
bool Record(const std::string& event) {
  g_events.push_back(event);
  return true;
}

class ReflectingButton : public CButton {
 public:
  bool handlesClick = true;

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnReflected(WM_COMMAND, BN_CLICKED, &ReflectingButton::OnClicked)};
    static const MessageMap map{CButton::GetMessageMap(), std::begin(entries), std::end(entries)};
    return &map;
  }

 private:
  bool OnClicked(Message&) { return Record("child clicked") && handlesClick; }
};

class TestDialog : public CDialog {
 public:
  TestDialog() : CDialog(IDD_TEST_DIALOG) {}
  int check = 0;
  CEdit edit;
  ReflectingButton button;
  CTreeCtrl tree;
  std::function<void(TestDialog&)> onInit;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDC_TEST_EDIT, edit);
    DDX_Control(dx, IDC_TEST_BUTTON, button);
    DDX_Control(dx, IDC_TEST_TREE, tree);
    DDX_Check(dx, IDC_TEST_CHECK, check);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (onInit) onInit(*this);
    return TRUE;
  }
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnCommand(IDC_TEST_BUTTON, BN_CLICKED, &TestDialog::OnButton),
        OnNotify(IDC_TEST_TREE, TVN_SELCHANGEDA, &TestDialog::OnSelChanged),
        OnMessage(WM_APP, &TestDialog::OnThrow)};
    static const MessageMap map{CDialog::GetMessageMap(), std::begin(entries), std::end(entries)};
    return &map;
  }

 private:
  bool OnButton(Message&) { return Record("parent clicked"); }
  bool OnSelChanged(Message& msg) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(msg.lParam);
    return Record("selected " + tree.GetItemText(change->itemNew.hItem));
  }
  bool OnThrow(Message&) { throw std::runtime_error("handler failure"); }
};

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { g_events.clear(); }
  // Runs `dialog` with `body` at the end of its initialisation, then presses
  // the button `end`; the dialog must end with that button's id.
  void Run(int end, const std::function<void(TestDialog&)>& body) {
    dialog.onInit = [&](TestDialog& d) {
      body(d);
      d.PostMessage(WM_COMMAND, MAKEWPARAM(end, BN_CLICKED));
    };
    EXPECT_EQ(end, dialog.DoModal());
  }

  TestApp app;  // the application object the framework reaches through AfxGetApp
  TestDialog dialog;
};

TEST_F(FrameworkTest, DataExchangeWritesOnOpenAndReadsOnOK) {
  dialog.check = 1;
  Run(IDOK, [](TestDialog& d) {
    HWND check = d.GetDlgItem(IDC_TEST_CHECK);
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(check, BM_GETCHECK, 0, 0));
    ::SendMessageA(check, BM_SETCHECK, BST_UNCHECKED, 0);
  });
  EXPECT_EQ(0, dialog.check);
}

TEST_F(FrameworkTest, CancelLeavesMembersAlone) {
  dialog.check = 1;
  Run(IDCANCEL, [](TestDialog& d) {
    ::SendMessageA(d.GetDlgItem(IDC_TEST_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
  });
  EXPECT_EQ(1, dialog.check);
}

TEST_F(FrameworkTest, ControlHandlesItsOwnNotificationBeforeTheParent) {
  Run(IDCANCEL, [](TestDialog& d) {
    d.button.SendMessage(BM_CLICK);
    d.button.handlesClick = false;  // now the parent's map gets its turn
    d.button.SendMessage(BM_CLICK);
  });
  EXPECT_EQ(Events({"child clicked", "child clicked", "parent clicked"}), g_events);
}

TEST_F(FrameworkTest, ParentMapReceivesTreeNotifications) {
  Run(IDCANCEL, [](TestDialog& d) {
    d.tree.InsertItem("first");
    d.tree.SelectItem(d.tree.InsertItem("second"));
  });
  EXPECT_EQ(Events{"selected second"}, g_events);
}

TEST_F(FrameworkTest, EnterAndEscapeReachTheDialogThroughTheModalLoop) {
  for (const auto& [key, expected] : {std::pair<WPARAM, INT_PTR>{VK_RETURN, IDOK},
                                      std::pair<WPARAM, INT_PTR>{VK_ESCAPE, IDCANCEL}}) {
    TestDialog keyed;
    keyed.onInit = [pressed = key](TestDialog& d) {
      d.edit.PostMessage(WM_KEYDOWN, pressed, 1);
      d.edit.PostMessage(WM_KEYUP, pressed, 0xC0000001);
    };
    EXPECT_EQ(expected, keyed.DoModal());
  }
}

TEST_F(FrameworkTest, HandleMapForgetsWindowsOnceDestroyed) {
  HWND dialogWindow = nullptr, editWindow = nullptr;
  Run(IDCANCEL, [&](TestDialog& d) {
    dialogWindow = d.m_hWnd;
    editWindow = d.edit.m_hWnd;
    EXPECT_EQ(&dialog, CWnd::FromHandlePermanent(dialogWindow));
    EXPECT_EQ(&dialog.edit, CWnd::FromHandlePermanent(editWindow));
  });
  EXPECT_FALSE(::IsWindow(dialogWindow));
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(dialogWindow));
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(editWindow));
  EXPECT_EQ(nullptr, dialog.m_hWnd);
  EXPECT_EQ(nullptr, dialog.edit.m_hWnd);
}

TEST_F(FrameworkTest, ModalDialogDisablesTheActiveWindowWhileItRuns) {
  CWnd owner;
  ASSERT_TRUE(
      owner.CreateEx(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
  ::SetActiveWindow(owner.m_hWnd);
  ASSERT_EQ(owner.m_hWnd, ::GetActiveWindow());
  Run(IDCANCEL, [&](TestDialog& d) {
    EXPECT_FALSE(::IsWindowEnabled(owner.m_hWnd));
    EXPECT_EQ(owner.m_hWnd, ::GetWindow(d.m_hWnd, GW_OWNER));
  });
  EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

// The window a tray menu makes active is invisible: it is no owner.
TEST_F(FrameworkTest, ModalDialogTakesNoInvisibleOwner) {
  CWnd hidden;
  ASSERT_TRUE(hidden.CreateEx(0, "STATIC", "hidden", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  ::SetForegroundWindow(hidden.m_hWnd);
  ASSERT_EQ(hidden.m_hWnd, ::GetActiveWindow());
  Run(IDCANCEL, [](TestDialog& d) { EXPECT_EQ(nullptr, ::GetWindow(d.m_hWnd, GW_OWNER)); });
}

// A window of a class registered through the framework is its object's
// from the first message on; command ranges and registered messages are entries.
class OwnClassWindow : public CWnd {
 public:
  static UINT Registered() {
    static const UINT message = ::RegisterWindowMessageA("PathstowFrameworkTest");
    return message;
  }

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {OnMessage(WM_NCCREATE, &OwnClassWindow::OnEvent),
                                              OnCommandRange(200, 300, 0, &OwnClassWindow::OnEvent),
                                              OnMessage(Registered(), &OwnClassWindow::OnEvent)};
    static const MessageMap map{CWnd::GetMessageMap(), std::begin(entries), std::end(entries)};
    return &map;
  }

 private:
  bool OnEvent(Message& msg) {
    msg.result = TRUE;
    return Record(std::to_string(msg.message) + ":" + std::to_string(LOWORD(msg.wParam)));
  }
};

TEST_F(FrameworkTest, OwnClassWindowsRouteEveryMessageThroughTheirMap) {
  WNDCLASSA windowClass{};
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "PathstowOwnClass";
  ASSERT_TRUE(CWnd::RegisterClass(windowClass));
  OwnClassWindow window;
  ASSERT_TRUE(window.CreateEx(0, "PathstowOwnClass", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  for (WPARAM id : {199, 200, 300, 301}) window.SendMessage(WM_COMMAND, id);
  window.SendMessage(WM_COMMAND, MAKEWPARAM(250, 1));  // not a menu command
  window.SendMessage(OwnClassWindow::Registered(), 7);
  const std::string command = std::to_string(WM_COMMAND) + ":";
  EXPECT_EQ(Events({std::to_string(WM_NCCREATE) + ":0", command + "200", command + "300",
                    std::to_string(OwnClassWindow::Registered()) + ":7"}),
            g_events);
  ::UnregisterClassA("PathstowOwnClass", ::GetModuleHandleA(nullptr));
}

TEST_F(FrameworkTest, ExceptionInAHandlerDoesNotLeaveTheWindowProcedure) {
  Run(IDOK, [](TestDialog& d) { d.SendMessage(WM_APP); });
}

TEST_F(FrameworkTest, DialogResultRule) {
  Run(IDCANCEL, [](TestDialog& d) {
    // Colour queries answer with the brush itself, the rest through DWLP_MSGRESULT.
    EXPECT_EQ(1234, DialogResult(d.m_hWnd, WM_CTLCOLORSTATIC, true, 1234));
    EXPECT_EQ(TRUE, DialogResult(d.m_hWnd, WM_NOTIFY, true, 77));
    EXPECT_EQ(77, ::GetWindowLongPtrA(d.m_hWnd, DWLP_MSGRESULT));
    EXPECT_EQ(FALSE, DialogResult(d.m_hWnd, WM_NOTIFY, false, 99));
  });
}

// A window whose map ends the modal loop on WM_APP.
class LoopWindow : public CWnd {
 public:
  std::function<void()> onNested;  // run for WM_APP + 1

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {OnMessage(WM_APP, &LoopWindow::OnEnd),
                                              OnMessage(WM_APP + 1, &LoopWindow::OnNested)};
    static const MessageMap map{CWnd::GetMessageMap(), std::begin(entries), std::end(entries)};
    return &map;
  }

 private:
  bool OnEnd(Message& msg) {
    EndModalLoop(static_cast<int>(msg.wParam));
    return true;
  }
  bool OnNested(Message&) {
    if (onNested) onNested();
    return true;
  }
};

// Shows a message box over the running dialog; a later timer then ends
// every loop of the thread from inside that box.
int g_boxResult = -1;
void CALLBACK EndAllLoops(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  CWnd::EndThreadModalLoops(IDCANCEL);
}
void CALLBACK ShowInnerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::SetTimer(nullptr, 0, 100, EndAllLoops);
  g_boxResult = ::MessageBoxA(::GetActiveWindow(), "inner", "box", MB_OK);
}

TEST_F(FrameworkTest, EndingTheThreadsLoopsEndsBoxesDialogsAndOuterLoops) {
  LoopWindow outer;
  ASSERT_TRUE(outer.CreateEx(0, "STATIC", "outer", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  INT_PTR dialogResult = 0;
  dialog.onInit = [](TestDialog&) { ::SetTimer(nullptr, 0, 20, ShowInnerBox); };
  g_boxResult = -1;
  // The dialog runs nested inside the outer loop, as Options runs inside the program's loop.
  outer.onNested = [&] { dialogResult = dialog.DoModal(); };
  outer.PostMessage(WM_APP + 1);
  EXPECT_EQ(IDCANCEL, outer.RunModalLoop());
  EXPECT_EQ(IDCANCEL, dialogResult);
  EXPECT_NE(-1, g_boxResult);
  EXPECT_EQ(nullptr, dialog.m_hWnd);
}

void CALLBACK PostQuitOnTimer(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(99); }

// A loop whose window is destroyed under it ends at once.
TEST_F(FrameworkTest, ModalLoopEndsWhenItsWindowIsDestroyed) {
  LoopWindow window;
  ASSERT_TRUE(window.CreateEx(0, "STATIC", "loop", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  window.PostMessage(WM_CLOSE);  // the default processing destroys it
  const UINT_PTR guard = ::SetTimer(nullptr, 0, 3000, PostQuitOnTimer);
  window.RunModalLoop();
  ::KillTimer(nullptr, guard);
  MSG msg;
  EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(nullptr, window.m_hWnd);
}

TEST_F(FrameworkTest, ModalLoopEndsWithTheResultAndWakesWithNull) {
  LoopWindow window;
  ASSERT_TRUE(window.CreateEx(0, "STATIC", "loop", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  window.PostMessage(WM_APP, 5);
  EXPECT_EQ(5, window.RunModalLoop());
  MSG msg;
  EXPECT_TRUE(::PeekMessageA(&msg, window.m_hWnd, WM_NULL, WM_NULL, PM_REMOVE));
  EXPECT_FALSE(window.ContinueModal());
}

TEST_F(FrameworkTest, ModalLoopLeavesQuitForTheOuterLoops) {
  LoopWindow window;
  ASSERT_TRUE(window.CreateEx(0, "STATIC", "loop", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  ::PostQuitMessage(7);
  EXPECT_EQ(-1, window.RunModalLoop());
  MSG msg;
  ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, msg.wParam);
}

TEST_F(FrameworkTest, UnsubclassKeepsALaterSubclasser) {
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, "STATIC", "chain", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
  HWND hWnd = window.m_hWnd;
  const LONG_PTR later = reinterpret_cast<LONG_PTR>(&::DefWindowProcA);
  const LONG_PTR ours = ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, later);
  window.UnsubclassWindow();
  EXPECT_EQ(later, ::GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
  EXPECT_NE(ours, later);
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
  ::DestroyWindow(hWnd);
}

}  // namespace
