#include "tests/unit/TestSupport.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <commctrl.h>

#include <algorithm>

#include "framework/Text.h"

BOOL FakeShell::NotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
  iconCalls.push_back({message, *data, ::IsWindow(data->hWnd) != FALSE});
  const auto& refused = refusedIconMessages;
  return std::find(refused.begin(), refused.end(), message) == refused.end() && notifyResult;
}

std::vector<DWORD> FakeShell::IconMessages() const {
  std::vector<DWORD> messages;
  for (const IconCall& call : iconCalls) messages.push_back(call.message);
  return messages;
}

HRESULT FakeShell::NotifyIconGetRect(const NOTIFYICONIDENTIFIER* icon, RECT* rect) {
  iconRectCalls.push_back(*icon);
  if (hasIconRect) *rect = iconRect;
  return hasIconRect ? S_OK : E_NOTIMPL;
}

UINT_PTR FakeShell::AppBarMessage(DWORD message, APPBARDATA* data) {
  appBarCalls.push_back(*data);
  if (message != ABM_GETTASKBARPOS || !hasTaskbar) return FALSE;
  data->rc = taskbar;
  return TRUE;
}

HINSTANCE FakeShell::Execute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                             LPCWSTR directory, INT showCommand) {
  const auto utf8 = [](LPCWSTR text) { return Narrow(text, CP_UTF8); };
  executions.push_back(
      {owner, utf8(verb), utf8(file), utf8(parameters), utf8(directory), showCommand});
  return reinterpret_cast<HINSTANCE>(executeResult);
}

namespace {

struct FindBoxData {
  DWORD process;
  HWND found;
};

// A message box's icon control: 1088 under Wine, 0x14 under Windows.
HWND IconControlOf(HWND box) {
  const HWND wine = ::GetDlgItem(box, 1088);
  return wine ? wine : ::GetDlgItem(box, 0x14);
}

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<FindBoxData*>(param);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  // A message box is a dialog with the text 0xFFFF and its icon control;
  // other dialogs use 0xFFFF too.
  if (process == data->process && ClassNameOf(window) == "#32770" && ::IsWindowVisible(window) &&
      ::GetDlgItem(window, 0xFFFF) && IconControlOf(window)) {
    data->found = window;
    return FALSE;
  }
  return TRUE;
}

UINT IconOf(HWND box) {
  // The box's icon control holds the system icon that matches its style.
  const HICON icon = reinterpret_cast<HICON>(::SendMessageA(IconControlOf(box), STM_GETICON, 0, 0));
  if (icon == ::LoadIconA(nullptr, IDI_HAND)) return MB_ICONHAND;
  if (icon == ::LoadIconA(nullptr, IDI_EXCLAMATION)) return MB_ICONEXCLAMATION;
  if (icon == ::LoadIconA(nullptr, IDI_ASTERISK)) return MB_ICONASTERISK;
  if (icon == ::LoadIconA(nullptr, IDI_QUESTION)) return MB_ICONQUESTION;
  return 0;
}

struct TipSearch {
  HWND tool;
  std::string text;
  int found;
};

BOOL CALLBACK FindTip(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TipSearch*>(param);
  if (lstrcmpiA(ClassNameOf(window).c_str(), TOOLTIPS_CLASSA) != 0) return TRUE;
  char text[1024] = {};
  TOOLINFOA info{TTTOOLINFOA_V2_SIZE, 0, search->tool, 1, {}, nullptr, nullptr, 0, nullptr};
  if (!::SendMessageA(window, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info))) return TRUE;
  info.lpszText = text;
  ::SendMessageA(window, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
  search->text = text;
  ++search->found;
  return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() {
  ::InitializeCriticalSection(&m_lock);
  m_thread = std::thread([this] { Watch(); });
}

MessageBoxWatcher::~MessageBoxWatcher() {
  m_stop = true;
  m_thread.join();
  ::DeleteCriticalSection(&m_lock);
}

std::vector<SeenBox> MessageBoxWatcher::Boxes() const {
  ::EnterCriticalSection(&m_lock);
  std::vector<SeenBox> boxes = m_boxes;
  ::LeaveCriticalSection(&m_lock);
  return boxes;
}

std::vector<std::string> MessageBoxWatcher::Texts() const {
  std::vector<std::string> texts;
  for (const SeenBox& box : Boxes()) texts.push_back(box.text);
  return texts;
}

void MessageBoxWatcher::Watch() {
  while (!m_stop) {
    FindBoxData data{::GetCurrentProcessId(), nullptr};
    ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&data));
    if (data.found) {
      const HWND owner = ::GetWindow(data.found, GW_OWNER);
      SeenBox box{WindowTextOf(data.found), WindowTextOf(::GetDlgItem(data.found, 0xFFFF)),
                  IconOf(data.found), owner, owner && ::IsWindowEnabled(owner)};
      ::EnterCriticalSection(&m_lock);
      m_boxes.push_back(box);
      ::LeaveCriticalSection(&m_lock);
      // Press the default button and wait until the box has gone.
      ::PostMessageA(data.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      for (int i = 0; i < 200 && ::IsWindow(data.found); ++i) ::Sleep(10);
    }
    ::Sleep(10);
  }
}

TestApp::TestApp() {
  static int counter = 0;
  m_strAppName =
      "PathstowTest" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++counter);
  SetRegistryKey("Kelvane");
}

TestApp::~TestApp() { ::SHDeleteKeyA(HKEY_CURRENT_USER, RegistryPath().c_str()); }

std::string TestApp::RegistryPath(const char* section) const {
  std::string path = "software\\Kelvane\\" + m_strAppName;
  if (section) path += std::string("\\") + section;
  return path;
}

void TestApp::SetRaw(const char* section, const char* name, DWORD type, const void* data,
                     DWORD size) const {
  ::RegSetKeyValueA(HKEY_CURRENT_USER, RegistryPath(section).c_str(), name, type, data, size);
}

void TestApp::SetDword(const char* section, const char* name, DWORD value) const {
  SetRaw(section, name, REG_DWORD, &value, sizeof(value));
}

void TestApp::SetString(const char* section, const char* name, const std::string& value) const {
  SetRaw(section, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TestApp::SetWide(const char* section, const char* name, const std::wstring& value) const {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(RegistryPath(section)).c_str(), Wide(name).c_str(),
                    REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring TestApp::ReadWide(const char* section, const char* name) const {
  // Raw, as another program reads it: not through the code under test.
  WCHAR data[4096] = {};
  DWORD size = sizeof(data) - sizeof(WCHAR);
  const LSTATUS read = ::RegGetValueW(HKEY_CURRENT_USER, Wide(RegistryPath(section)).c_str(),
                                      Wide(name).c_str(), RRF_RT_REG_SZ, nullptr, data, &size);
  return read == ERROR_SUCCESS ? std::wstring(data) : L"<missing>";
}

void TestApp::StoreList(const std::vector<Bookmark>& entries, int counter) const {
  const auto set = [this](const std::string& name, const std::string& ansi,
                          const std::string& exact) {
    if (exact.empty()) return SetString(kPathListSection, name.c_str(), ansi);
    SetWide(kPathListSection, name.c_str(), Wide(exact));
  };
  SetDword(kPathListSection, kCounterEntry,
           static_cast<DWORD>(counter < 0 ? static_cast<int>(entries.size()) : counter));
  for (size_t i = 0; i < entries.size(); ++i) {
    set("Path" + std::to_string(i + 1), entries[i].name, entries[i].exactName);
    set("PathName" + std::to_string(i + 1), entries[i].path, entries[i].exactPath);
  }
}

bool TestApp::HasValue(const char* section, const char* name) const {
  CRegKey key;
  return key.Open(HKEY_CURRENT_USER, RegistryPath(section).c_str(), KEY_READ) == ERROR_SUCCESS &&
         ::RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool TestApp::HasKey(const char* section) const {
  CRegKey key;
  return key.Open(HKEY_CURRENT_USER, RegistryPath(section).c_str(), KEY_READ) == ERROR_SUCCESS;
}

COLORREF ColourOf(HWND dialog, HWND control) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  const LRESULT brush = ::SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(control));
  const COLORREF colour = ::GetTextColor(dc);
  EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
  EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));
  ::DeleteDC(dc);
  return colour;
}

std::string TipTextOf(HWND tool, int* tips) {
  TipSearch search{tool, "", 0};
  ::EnumThreadWindows(::GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&search));
  if (tips) *tips = search.found;
  return search.text;
}

std::vector<std::string> Names(const CBookmarkTree& tree) {
  std::vector<std::string> names;
  for (const Bookmark& entry : tree.Entries()) names.push_back(entry.name);
  return names;
}

HTREEITEM Find(const CBookmarkTree& tree, const std::string& name) {
  for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item)) {
    if (tree.GetItemText(item) == name) return item;
  }
  return nullptr;
}

std::string SelectedName(const CBookmarkTree& tree) {
  HTREEITEM item = tree.GetSelectedItem();
  return item ? tree.GetItemText(item) : "<none>";
}

std::wstring Wide(const std::string& text, UINT codePage) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(codePage, 0, text.data(),
                                                        static_cast<int>(text.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
  return wide;
}

std::string Utf8(const std::wstring& text) { return Narrow(text.c_str(), CP_UTF8); }

std::string WindowTextOf(HWND window) {
  // Any length, in the code page the ANSI call would answer in.
  return Narrow(WindowTextWide(window).data());
}

std::string ClassNameOf(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof(name));
  return name;
}

void PumpMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    PumpMessages();
    ::Sleep(5);
  }
  return true;
}
