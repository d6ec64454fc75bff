// Window objects: one C++ object per window, found through a handle map,
// messages routed through static message maps with reflection to child controls.
#pragma once
#include <windows.h>

#include <iterator>
#include <string>

class CWnd;

// One window message as a handler sees it. A handler that returns true has
// handled the message and leaves its answer in `result`.
struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
};

using MessageHandler = bool (CWnd::*)(Message&);

// A message that a parent reflects back to the child control it is about:
// WM_COMMAND and WM_NOTIFY from the control, and its WM_CTLCOLOR* queries.
constexpr UINT kReflected = 0x10000;

struct MessageMapEntry {
  UINT message;  // window message, or kReflected | message
  UINT code;     // WM_COMMAND / WM_NOTIFY: notification code (0 for menu commands)
  UINT id;       // WM_COMMAND / WM_NOTIFY from a child: control id, first of a range
  UINT lastId;   // last id of the range
  MessageHandler handler;
};

struct MessageMap {
  const MessageMap* base;
  const MessageMapEntry* begin;
  const MessageMapEntry* end;
};

// Entry builders, so that tables can name members of derived classes.
// A message registered at run time (RegisterWindowMessage) can be an entry
// too: the tables are built on first use, after the registration.
template <class T>
MessageMapEntry OnMessage(UINT message, bool (T::*fn)(Message&)) {
  return {message, 0, 0, 0, static_cast<MessageHandler>(fn)};
}
template <class T>
MessageMapEntry OnCommand(UINT id, UINT code, bool (T::*fn)(Message&)) {
  return {WM_COMMAND, code, id, id, static_cast<MessageHandler>(fn)};
}
// Commands first .. last with notification code `code` (0 for menu commands).
template <class T>
MessageMapEntry OnCommandRange(UINT first, UINT last, UINT code, bool (T::*fn)(Message&)) {
  return {WM_COMMAND, code, first, last, static_cast<MessageHandler>(fn)};
}
template <class T>
MessageMapEntry OnNotify(UINT id, UINT code, bool (T::*fn)(Message&)) {
  return {WM_NOTIFY, code, id, id, static_cast<MessageHandler>(fn)};
}
// Reflected WM_COMMAND / WM_NOTIFY match on the code; other messages on the message.
template <class T>
MessageMapEntry OnReflected(UINT message, UINT code, bool (T::*fn)(Message&)) {
  return {kReflected | message, code, 0, 0, static_cast<MessageHandler>(fn)};
}

// Modal loop flag: show the window once the queue is empty (dialogs without WS_VISIBLE).
constexpr DWORD MLF_SHOWONIDLE = 1;

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }

  // The object attached to a window, or null.
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Registers a window class whose windows are this framework's objects from
  // their first message on; its procedure is the framework's own.
  static BOOL RegisterClass(WNDCLASSA windowClass);

  // Creates a window and attaches this object to it. A class of another
  // procedure is subclassed: messages this object does not handle go on to it.
  BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU menu, void* param = nullptr);
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  BOOL DestroyWindow();

  // Runs messages until EndModalLoop, or until WM_QUIT, which is posted again,
  // or until the window is destroyed.
  int RunModalLoop(DWORD flags = 0);
  void EndModalLoop(int result);
  bool ContinueModal() const { return m_continueModal; }
  // Ends every modal loop that runs on this thread with `result`, innermost
  // first: the loops of window objects, the system's message boxes and
  // common dialogs (as if cancelled) and a tracked popup menu.
  static void EndThreadModalLoops(int result);

  // Gives a window the chance to handle a message before it is dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Offers `msg` to the objects of its window and its parents, innermost first.
  static BOOL WalkPreTranslateTree(MSG* msg);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
  }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
  std::string GetWindowText() const;
  void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

 protected:
  // Routes one message: reflection to the child it is about, then the
  // message maps of this class and its bases, then the default procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default processing of the message now being handled.
  LRESULT Default();

  bool OnWndMsg(Message& msg);
  // A child's handling of a message its parent reflects to it.
  virtual bool OnChildNotify(Message& msg);
  bool DispatchToMap(Message& msg, bool reflected);

  virtual const MessageMap* GetMessageMap() const;
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}

  void Attach(HWND hWnd);
  void Detach();
  // The window is going: a modal loop that runs on it ends.
  void OnNcDestroy();

  static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  WNDPROC m_pfnSuper = nullptr;

 private:
  const Message* m_current = nullptr;
  bool m_continueModal = false;
  int m_modalResult = -1;
};
