// The program's invisible top-level window: it owns the tray icon and its
// menu, receives the icon's notifications and the menu's commands, and hands
// each to the application object.
#pragma once
#include "app/TrayCommands.h"
#include "bookmarks/OptionsHost.h"
#include "framework/Wnd.h"

// The hidden window's class and title, the names that the installer and the
// uninstaller find a running copy by (to ask it to close): never rename them.
constexpr char kHiddenWindowClass[] = "DummyClass";
constexpr char kHiddenWindowTitle[] = "Dummy";

class CHiddenWnd : public CWnd {
 public:
  CHiddenWnd(CTrayCommands& app, COptionsHost& options) : m_app(app), m_options(options) {}

  // Registers the window class kHiddenWindowClass for objects of this class.
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
  COptionsHost& m_options;
};
