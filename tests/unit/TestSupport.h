// Shared pieces of the unit tests: a recording shell, a watcher that answers
// message boxes, and an application object with a registry area of its own.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/FolderTrayApp.h"
#include "framework/ShellServices.h"
#include "bookmarks/BookmarkStore.h"

// Records every shell call and answers with the results a test sets.
class FakeShell : public ShellServices {
 public:
  FakeShell() : m_previous(SetShellServices(this)) {}
  ~FakeShell() override { SetShellServices(m_previous); }

  struct Execution {
    HWND owner;
    std::string verb, file, parameters, directory;
    int showCommand;
  };
  struct IconCall {
    DWORD message;
    NOTIFYICONDATAA data;
    bool ownerAlive;  // the shell knows an icon by its window
  };

  BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data) override;
  HRESULT NotifyIconGetRect(const NOTIFYICONIDENTIFIER* icon, RECT* rect) override;
  UINT_PTR AppBarMessage(DWORD message, APPBARDATA* data) override;
  HINSTANCE Execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                    INT showCommand) override;

  // The messages of iconCalls, in order.
  std::vector<DWORD> IconMessages() const;

  std::vector<IconCall> iconCalls;
  std::vector<NOTIFYICONIDENTIFIER> iconRectCalls;
  std::vector<Execution> executions;
  std::vector<APPBARDATA> appBarCalls;
  BOOL notifyResult = TRUE;
  // Icon messages refused whatever notifyResult says.
  std::vector<DWORD> refusedIconMessages;
  // The icon's rectangle; without one the answer is E_NOTIMPL, as under Wine.
  bool hasIconRect = false;
  RECT iconRect{};
  INT_PTR executeResult = 42;
  // The rectangle answered to ABM_GETTASKBARPOS; no answer when `hasTaskbar` is false.
  bool hasTaskbar = true;
  RECT taskbar{0, 767, 1024, 768};

 private:
  ShellServices* m_previous;
};

// A message box shown by this process while the watcher lives.
struct SeenBox {
  std::string caption;
  std::string text;
  UINT icon;  // MB_ICONHAND, MB_ICONEXCLAMATION, ... as read from the box
  HWND owner;
  bool ownerEnabled;  // while the box was up
};

// Watches from a second thread for message boxes of this process, records
// them and presses their default button, so that code showing a box can run
// in a test without blocking.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher();
  ~MessageBoxWatcher();
  std::vector<SeenBox> Boxes() const;

 private:
  void Watch();
  std::atomic<bool> m_stop{false};
  mutable CRITICAL_SECTION m_lock;
  std::vector<SeenBox> m_boxes;
  std::thread m_thread;
};

// An application object with a unique name, so that its registry area
// (HKCU\software\Kelvane\<name>) is its own; the area is deleted afterwards.
class TestApp : public CFolderTrayApp {
 public:
  TestApp();
  ~TestApp() override;
  // Writes raw registry values under the given section of this application.
  void SetDword(const char* section, const char* name, DWORD value) const;
  void SetString(const char* section, const char* name, const std::string& value) const;
  void SetRaw(const char* section, const char* name, DWORD type, const void* data,
              DWORD size) const;
  // Writes "Counter" (the entries' number unless given) and each entry's
  // "Path<k>" and "PathName<k>" as raw values, without the store's rules.
  void StoreList(const std::vector<Bookmark>& entries, int counter = -1) const;
  bool HasValue(const char* section, const char* name) const;
  bool HasKey(const char* section) const;
  std::string RegistryPath(const char* section = nullptr) const;
};

// Runs the messages already queued for this thread.
void PumpMessages();
// Runs messages until `done` answers true or `timeoutMs` passes; answers `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
