// Timings inside one process, against the real registry and real menus and
// dialogs: the tray menu, the Options dialog and the bookmark save, each
// next to its registry floor. Prints key=value lines.
//
//   bench_inproc all        menu, Options and save timings
//   bench_inproc profile    one profile read of an existing value and one of a
//                           missing key, between marker opens, for a registry trace
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "bench/BenchSupport.h"
#include "bench/RegistryFloors.h"
#include "bookmarks/OptionsDialog.h"
#include "framework/Menu.h"
#include "res/resource.h"

namespace {

bool g_menuTracked = false;

// Ends the menu as soon as it is tracking; until then, waits for the next tick.
void CALLBACK EndMenuWhenTracking(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!CMenu::TrackingMenu()) return;
  g_menuTracked = true;
  ::KillTimer(nullptr, timer);
  ::EndMenu();
}

// Ends the menu when it first waits for input: shown, drawn, queue empty.
LRESULT CALLBACK EndMenuAtIdle(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == WM_ENTERIDLE && message->wParam == MSGF_MENU &&
      !g_menuTracked) {
    g_menuTracked = true;
    ::EndMenu();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void PumpMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

enum class MenuEnd { kTimer, kIdle };

// One left button press on the icon: the menu is built, shown and ended.
void ShowMenuOnce(BenchApp& app, MenuEnd how) {
  g_menuTracked = false;
  UINT_PTR timer = 0;
  HHOOK hook = nullptr;
  if (how == MenuEnd::kTimer) {
    timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, EndMenuWhenTracking);
  } else {
    hook = ::SetWindowsHookExA(WH_CALLWNDPROC, EndMenuAtIdle, nullptr, ::GetCurrentThreadId());
  }
  app.ShowTrayMenu(IDR_MAINFRAME, WM_LBUTTONDOWN);
  if (timer) ::KillTimer(nullptr, timer);
  if (hook) ::UnhookWindowsHookEx(hook);
  if (!g_menuTracked) std::fprintf(stderr, "bench_inproc: the menu was not tracked\n");
  PumpMessages();  // the WM_NULL posted after the menu
}

// The reads the menu makes: the count, then each bookmark's name.
void ReadLikeMenu(const BenchApp& app) { LoadBookmarks(app, false); }

// What the Options dialog's tree itself costs: the same items inserted into
// a tree control and sorted, without the dialog or the registry.
void InsertAndSortInTree(const std::vector<Bookmark>& entries) {
  HWND tree = ::CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                nullptr, nullptr);
  LPARAM index = 0;
  for (const Bookmark& entry : entries) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<LPSTR>(entry.name.c_str());
    insert.item.lParam = index++;
    ::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
  }
  ::SendMessageA(tree, TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  ::DestroyWindow(tree);
}

// Ends right after initialisation, so DoModal times creation, loading and teardown.
class InitOnlyOptionsDialog : public COptionsDialog {
 public:
  explicit InitOnlyOptionsDialog(COptionsHost& host) : COptionsDialog(host) {}

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = COptionsDialog::OnInitDialog();
    PostMessage(WM_COMMAND, IDCANCEL);
    return result;
  }
};

void Seed(const BenchApp& app, int count) {
  const int previous = LoadBookmarkCount(app);
  if (!SaveBookmarks(app, MakeBookmarks(count), previous)) {
    std::fprintf(stderr, "bench_inproc: seeding %d bookmarks failed\n", count);
  }
}

// The same menu from strings in memory, no registry: what the system's menu
// itself costs to build, show and end.
void ShowBuiltMenuOnce(BenchApp& app, const std::vector<Bookmark>& entries) {
  g_menuTracked = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, EndMenuWhenTracking);
  CMenu menu;
  menu.CreatePopupMenu();
  UINT_PTR id = ID_TRAY_BOOKMARK_BASE;
  for (const Bookmark& entry : entries) menu.AppendMenu(MF_STRING, id++, entry.name.c_str());
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING, ID_TRAY_OPTIONS, "&Options...");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING, ID_TRAY_ABOUT, "&About...");
  menu.AppendMenu(MF_STRING, ID_TRAY_QUIT, "&Quit");
  ::SetForegroundWindow(app.m_wndHidden.m_hWnd);
  menu.TrackPopupMenu(TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, 1013, 758, &app.m_wndHidden);
  ::KillTimer(nullptr, timer);
  menu.DestroyMenu();
  PumpMessages();
}

void BenchMenu(BenchApp& app) {
  struct Size {
    int count, runs, literalRuns;
    bool endAtIdle;  // also end the menu at its first idle (timer granularity matters)
    bool warmAll;    // warm up every measure, not only the menu
  };
  // Fewer runs for the big lists keep the whole benchmark within minutes.
  const Size sizes[] = {{10, 21, 21, true, true},
                        {20, 21, 21, true, true},
                        {1000, 5, 5, false, true},
                        {10000, 3, 1, false, false}};
  const std::string section = app.SectionPath(kPathListSection);
  for (const Size& size : sizes) {
    Seed(app, size.count);
    const int n = size.count;
    const std::vector<Bookmark> entries = MakeBookmarks(n);
    std::vector<Measure> measures = {
        {"menu", size.runs, true, [&] { ShowMenuOnce(app, MenuEnd::kTimer); }, {}},
        {"read", size.runs, size.warmAll, [&] { ReadLikeMenu(app); }, {}},
        {"show", size.runs, size.warmAll, [&] { ShowBuiltMenuOnce(app, entries); }, {}},
        {"floor", size.runs, size.warmAll, [&] { ReadThroughOneKey(section, n); }, {}},
        {"menu_floor",
         size.runs,
         size.warmAll,
         [&] {
           ReadThroughOneKey(section, n);
           ShowBuiltMenuOnce(app, entries);
         },
         {}},
        {"literal",
         size.literalRuns,
         size.warmAll,
         [&] { ReadLiterally(app.m_strAppName, kPathListSection, n); },
         {}},
    };
    if (size.endAtIdle) {
      measures.push_back(
          {"menu_idle", size.runs, true, [&] { ShowMenuOnce(app, MenuEnd::kIdle); }, {}});
    }
    RunInterleaved(n, size.runs, measures);
  }
}

void BenchOptionsAndSave(BenchApp& app) {
  constexpr int kCount = 1000;
  const std::string section = app.SectionPath(kPathListSection);
  Seed(app, kCount);
  // The list as the dialog holds it after loading, saved over itself.
  const std::vector<Bookmark> loaded = LoadBookmarks(app);
  std::vector<Measure> measures = {
      {"options",
       5,
       true,
       [&] {
         InitOnlyOptionsDialog dialog(app);
         dialog.DoModal();
       },
       {}},
      {"options_floor",
       5,
       true,
       [&] {
         ReadThroughOneKey(section, kCount);
         InsertAndSortInTree(loaded);
       },
       {}},
      {"options_reads", 5, true, [&] { ReadThroughOneKey(section, kCount); }, {}},
      {"save", 5, true, [&] { SaveBookmarks(app, loaded, kCount); }, {}},
      {"save_floor", 5, true, [&] { WriteThroughOneKey(section, loaded); }, {}},
  };
  RunInterleaved(kCount, 5, measures);
}

// A failing open with a telling name: shows in a registry trace, changes nothing.
void Marker(const char* name) {
  HKEY key = nullptr;
  const std::string path = std::string("PathstowBenchMarker-") + name;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ::RegCloseKey(key);
  }
}

int BenchProfileReads(BenchApp& app) {
  Seed(app, 3);
  app.GetProfileInt(kPathListSection, kCounterEntry, 0);  // warm: HKCU is opened once
  Marker("begin-existing");
  const int existing = app.GetProfileInt(kPathListSection, kCounterEntry, 0);
  Marker("end-existing");
  app.Rename("Fresh");
  Marker("begin-missing");
  const int missing = app.GetProfileInt(kCommandSection, kTreeEntry, 1);
  Marker("end-missing");
  std::printf("profile_existing_value=%d\nprofile_missing_value=%d\n", existing, missing);
  return existing == 3 && missing == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "all";
  BenchApp app("Run");
  if (std::strcmp(mode, "profile") == 0) return BenchProfileReads(app);

  app.Enable3dControls();
  CHiddenWnd::RegisterWindowClass(app.m_hInstance);
  if (!app.m_wndHidden.CreateEx(0, kHiddenWindowClass, kHiddenWindowTitle, 0, 0, 0, 0, 0, nullptr,
                                nullptr)) {
    std::fprintf(stderr, "bench_inproc: no hidden window\n");
    return 1;
  }
  app.AddTrayIcon(app.m_wndHidden.m_hWnd, IDR_MAINFRAME, "Pathstow");
  app.m_nTree = 1;
  // Where a click on the first icon of the notification area would be.
  ::SetCursorPos(1013, 758);

  BenchMenu(app);
  BenchOptionsAndSave(app);
  return 0;
}
