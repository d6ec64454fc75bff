#include "app/HiddenWnd.h"

#include <iterator>

#include "about/AboutDialog.h"
#include "app/TrayApp.h"
#include "bookmarks/OptionsDialog.h"
#include "res/resource.h"

namespace {

// Sent to every top-level window when the taskbar is created again.
UINT TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
  return message;
}

}  // namespace

void CHiddenWnd::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSA windowClass{};
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kHiddenWindowClass;
  CWnd::RegisterClass(windowClass);  // a failure shows when the window is created
}

// Menu commands carry notification code 0; every one of them destroys the
// menu once its action has finished. Other codes reach no entry and change nothing.
const MessageMap* CHiddenWnd::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnCommand(ID_TRAY_QUIT, 0, &CHiddenWnd::OnQuit),
      OnCommand(ID_TRAY_ABOUT, 0, &CHiddenWnd::OnAbout),
      OnCommand(ID_TRAY_OPTIONS, 0, &CHiddenWnd::OnOptions),
      OnCommandRange(ID_TRAY_BOOKMARK_BASE, 0xFFFF, 0, &CHiddenWnd::OnBookmark),
      OnCommandRange(0, 0xFFFF, 0, &CHiddenWnd::OnOtherCommand),
      OnMessage(WM_TRAYNOTIFY, &CHiddenWnd::OnTrayNotify),
      OnMessage(TaskbarCreatedMessage(), &CHiddenWnd::OnTaskbarCreated),
      OnMessage(WM_CLOSE, &CHiddenWnd::OnClose),
      OnMessage(WM_QUERYENDSESSION, &CHiddenWnd::OnQueryEndSession),
      OnMessage(WM_ENDSESSION, &CHiddenWnd::OnEndSession),
  };
  static const MessageMap map{CWnd::GetMessageMap(), std::begin(entries), std::end(entries)};
  return &map;
}

bool CHiddenWnd::OnQuit(Message& msg) {
  EndModalLoop(0);
  return OnOtherCommand(msg);
}

bool CHiddenWnd::OnAbout(Message& msg) {
  CAboutDialog dialog;
  dialog.DoModal();
  return OnOtherCommand(msg);
}

bool CHiddenWnd::OnOptions(Message& msg) {
  COptionsDialog dialog(m_options);
  dialog.DoModal();
  return OnOtherCommand(msg);
}

bool CHiddenWnd::OnBookmark(Message& msg) {
  m_app.OpenMenuBookmark(LOWORD(msg.wParam) - ID_TRAY_BOOKMARK_BASE);
  return OnOtherCommand(msg);
}

bool CHiddenWnd::OnOtherCommand(Message& msg) {
  m_app.DestroyTrayMenu();
  msg.result = 0;
  return true;
}

bool CHiddenWnd::OnTrayNotify(Message& msg) {
  m_app.ShowTrayMenu(msg.wParam, msg.lParam);
  msg.result = 0;
  return true;
}

bool CHiddenWnd::OnTaskbarCreated(Message& msg) {
  m_app.OnTaskbarCreated();
  msg.result = 0;
  return true;
}

// Sent by task managers, uninstallers and updaters: end as Quit does,
// instead of losing the window under a loop that would run on.
bool CHiddenWnd::OnClose(Message& msg) {
  m_app.CloseAll(false);
  msg.result = 0;
  return true;
}

bool CHiddenWnd::OnQueryEndSession(Message& msg) {
  msg.result = TRUE;
  return true;
}

bool CHiddenWnd::OnEndSession(Message& msg) {
  if (msg.wParam) m_app.CloseAll(true);
  msg.result = 0;
  return true;
}
