// The program's invisible top-level window: it owns the tray icon and its
// menu, receives the icon's notifications and the menu's commands, and hands
// each to the application object.
#pragma once
#include "app/TrayCommands.h"
#include "framework/Wnd.h"

class CHiddenWnd : public CWnd {
 public:
  explicit CHiddenWnd(CTrayCommands& app) : m_app(app) {}

  // Registers the window class "DummyClass" for objects of this class.
  static void RegisterWindowClass(HINSTANCE instance);

 protected:
  const MessageMap* GetMessageMap() const override;

 private:
  bool OnQuit(Message& msg);
  bool OnAbout(Message& msg);
  bool OnOptions(Message& msg);
  bool OnBookmark(Message& msg);
  bool OnOtherCommand(Message& msg);
  bool OnTrayNotify(Message& msg);
  bool OnTaskbarCreated(Message& msg);
  bool OnClose(Message& msg);
  bool OnQueryEndSession(Message& msg);
  bool OnEndSession(Message& msg);

  CTrayCommands& m_app;
};
