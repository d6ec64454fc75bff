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
#include "bookmarks/BookmarkTree.h"

// Records every shell call and answers with the results a test sets.
class FakeShell : public ShellServices {
 public:
  FakeShell() : m_previous(SetShellServices(this)) {}
  ~FakeShell() override { SetShellServices(m_previous); }

  // What a launch received, its texts in UTF-8.
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
  HINSTANCE Execute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
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
  std::string caption, text;
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
  std::vector<std::string> Texts() const;  // the boxes' texts, in order

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
  // A text as another program stores it, through the wide call, and read back so.
  void SetWide(const char* section, const char* name, const std::wstring& value) const;
  std::wstring ReadWide(const char* section, const char* name) const;
  void SetRaw(const char* section, const char* name, DWORD type, const void* data,
              DWORD size) const;
  // Writes "Counter" (the entries' number unless given) and each entry's
  // "Path<k>" and "PathName<k>" as raw values, without the store's rules
  // (an entry's exact texts, where given, through the wide call).
  void StoreList(const std::vector<Bookmark>& entries, int counter = -1) const;
  bool HasValue(const char* section, const char* name) const;
  bool HasKey(const char* section) const;
  std::string RegistryPath(const char* section = nullptr) const;
};

// `text` in UTF-16, from UTF-8 unless another code page is given.
std::wstring Wide(const std::string& text, UINT codePage = CP_UTF8);
std::string Utf8(const std::wstring& text);
std::string WindowTextOf(HWND window);
std::string ClassNameOf(HWND window);

// The text colour that `control` (a static) chooses when its dialog asks,
// and the transparent background it asks for.
COLORREF ColourOf(HWND dialog, HWND control);
// The text of tooltip tool 1 of `tool`, from whichever tooltip of this thread
// holds it; `tips` receives how many do.
std::string TipTextOf(HWND tool, int* tips = nullptr);

// The names of a bookmark tree's items in display order; the item named `name`.
std::vector<std::string> Names(const CBookmarkTree& tree);
HTREEITEM Find(const CBookmarkTree& tree, const std::string& name);
std::string SelectedName(const CBookmarkTree& tree);

// Runs the messages already queued for this thread.
void PumpMessages();
// Runs messages until `done` answers true or `timeoutMs` passes; answers `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
