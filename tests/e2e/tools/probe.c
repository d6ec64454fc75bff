/* probe: looks at and pokes windows of the Wine desktop it runs in, for the
 * end-to-end tests. One command per call (a call costs about 0.1 s).
 *
 * Output is line based: "key=value" fields separated by tabs; texts are
 * written last on the line with tabs, CR and LF escaped as \t \r \n. Every
 * text is UTF-8: the probe's manifest makes UTF-8 its ANSI code page.
 * Exit code 0 on success, 1 when the thing asked for does not exist,
 * 2 on bad usage, 3 when a system call failed (named on stderr with its
 * GetLastError). */
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Writes `key` as it is, then `text` escaped. */
static void put_field(const char *key, const char *text) {
  fputs(key, stdout);
  for (const char *s = text; *s; s++) {
    char escaped = *s == '\t' ? 't' : *s == '\n' ? 'n' : *s == '\r' ? 'r' : *s == '\\' ? '\\' : 0;
    if (escaped) putchar('\\');
    putchar(escaped ? escaped : *s);
  }
}

static UINT_PTR num(const char *s) { return (UINT_PTR)_strtoui64(s, NULL, 0); }
static HWND hwnd_arg(const char *s) { return (HWND)num(s); }

/* The answer of a call that succeeds or not: "label=1" and exit code 0, or
 * "label=0" and 1. */
static int answer(const char *label, BOOL ok) {
  printf("%s=%d\n", label, ok ? 1 : 0);
  return ok ? 0 : 1;
}

/* A system call that failed, named on stderr with `error` (its GetLastError):
 * exit code 3. Never silent: the harness tells a passing failure from a
 * lasting one. */
static int failed(const char *call, DWORD error) {
  fprintf(stderr, "%s failed, GetLastError %lu\n", call, error);
  return 3;
}

static void exe_of(DWORD pid, char *out, size_t n) {
  PROCESSENTRY32 pe;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  out[0] = 0;
  if (snap == INVALID_HANDLE_VALUE) return;
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
    if (pe.th32ProcessID == pid) {
      lstrcpynA(out, pe.szExeFile, (int)n);
      break;
    }
  CloseHandle(snap);
}

static void print_window(HWND h) {
  char cls[256], title[1024], exe[MAX_PATH];
  RECT r, c;
  DWORD pid = 0, tid = GetWindowThreadProcessId(h, &pid);
  GetClassNameA(h, cls, sizeof cls);
  GetWindowTextA(h, title, sizeof title);
  GetWindowRect(h, &r);
  GetClientRect(h, &c);
  exe_of(pid, exe, sizeof exe);
  printf(
      "hwnd=0x%llx\tpid=%lu\ttid=%lu\tvisible=%d\tenabled=%d\trect=%ld,%ld,%ld,%ld"
      "\tclient=%ld,%ld",
      (unsigned long long)(UINT_PTR)h, pid, tid, IsWindowVisible(h) ? 1 : 0,
      IsWindowEnabled(h) ? 1 : 0, r.left, r.top, r.right, r.bottom, c.right, c.bottom);
  put_field("\tclass=", cls);
  put_field("\texe=", exe);
  put_field("\ttitle=", title);
  putchar('\n');
}

/* window H, foreground : the record of one window; exit code 1 without one. */
static int cmd_window(HWND h) {
  if (!h || !IsWindow(h)) return 1;
  print_window(h);
  return 0;
}

/* Which top-level windows a search wants; NULL and 0 fields match any.
 * With `print` every match is printed, else the search ends at the first. */
struct filter {
  const char *cls, *title, *exe;
  DWORD pid;
  int visible_only, print, found;
  HWND first;
};

static BOOL CALLBACK filter_cb(HWND h, LPARAM lp) {
  struct filter *f = (struct filter *)lp;
  char buf[1024];
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (f->pid && pid != f->pid) return TRUE;
  if (f->visible_only && !IsWindowVisible(h)) return TRUE;
  if (f->cls) {
    GetClassNameA(h, buf, sizeof buf);
    if (lstrcmpiA(buf, f->cls)) return TRUE;
  }
  if (f->title) {
    GetWindowTextA(h, buf, sizeof buf);
    if (strcmp(buf, f->title)) return TRUE;
  }
  if (f->exe) {
    exe_of(pid, buf, sizeof buf);
    if (lstrcmpiA(buf, f->exe)) return TRUE;
  }
  f->found++;
  f->first = h;
  if (f->print) print_window(h);
  return f->print;
}

/* find [--class C] [--title T] [--pid P] [--exe NAME] [--visible] */
static int cmd_find(int argc, char **argv) {
  struct filter f = {.print = 1};
  for (int i = 0; i < argc; i++) {
    if (i + 1 < argc && !strcmp(argv[i], "--class"))
      f.cls = argv[++i];
    else if (i + 1 < argc && !strcmp(argv[i], "--title"))
      f.title = argv[++i];
    else if (i + 1 < argc && !strcmp(argv[i], "--exe"))
      f.exe = argv[++i];
    else if (i + 1 < argc && !strcmp(argv[i], "--pid"))
      f.pid = (DWORD)num(argv[++i]);
    else if (!strcmp(argv[i], "--visible"))
      f.visible_only = 1;
    else
      return 2;
  }
  EnumWindows(filter_cb, (LPARAM)&f);
  return f.found ? 0 : 1;
}

static BOOL CALLBACK child_cb(HWND h, LPARAM lp) {
  HWND parent = (HWND)lp;
  char cls[256], text[4096];
  RECT r;
  if (GetParent(h) != parent) return TRUE; /* direct children only */
  GetClassNameA(h, cls, sizeof cls);
  GetWindowRect(h, &r);
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, NULL);
  text[sizeof text - 1] = 0;
  LRESULT check = -1;
  if (!lstrcmpiA(cls, "Button")) check = SendMessageA(h, BM_GETCHECK, 0, 0);
  printf(
      "hwnd=0x%llx\tid=%d\tvisible=%d\tenabled=%d\tcheck=%d\trect=%ld,%ld,%ld,%ld\tstyle=0x%"
      "lx",
      (unsigned long long)(UINT_PTR)h, GetDlgCtrlID(h), IsWindowVisible(h) ? 1 : 0,
      IsWindowEnabled(h) ? 1 : 0, (int)check, r.left, r.top, r.right, r.bottom,
      (unsigned long)GetWindowLongA(h, GWL_STYLE));
  put_field("\tclass=", cls);
  put_field("\ttext=", text);
  putchar('\n');
  return TRUE;
}

static int cmd_controls(HWND h) {
  if (!IsWindow(h)) return 1;
  EnumChildWindows(h, child_cb, (LPARAM)h);
  return 0;
}

/* A report that textfit.dll makes in the process of window H (see there):
 *   textfit H : TextFitReport, the room the texts of H's controls need at
 *     their own fonts: a line per control that shows a text, hwnd, id, rect
 *     and need=W,H (the window size that shows it whole);
 *   menutext H : MenuTextReport, the texts of the popup menu that the
 *     thread of H is tracking, as GetMenuStringW reads them. */
typedef BOOL (*report_fn)(HWND, char *, int);

static int cmd_report(HWND h, const char *function) {
  static char report[65536];
  HMODULE dll = LoadLibraryA("textfit.dll");
  report_fn make = dll ? (report_fn)GetProcAddress(dll, function) : NULL;
  if (!IsWindow(h) || !make || !make(h, report, sizeof report)) return 1;
  fputs(report, stdout);
  return 0;
}

static int cmd_text(HWND h) {
  char text[8192];
  DWORD_PTR n = 0;
  if (!IsWindow(h)) return 1;
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &n);
  text[n < sizeof text ? n : sizeof text - 1] = 0;
  put_field("text=", text);
  putchar('\n');
  return 0;
}

static int cmd_msg(int post, HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (post) return answer("ok", PostMessageA(h, msg, w, l));
  DWORD_PTR res = 0;
  LRESULT ok = SendMessageTimeoutA(h, msg, w, l, SMTO_NORMAL, 5000, &res);
  printf("ok=%d\tresult=%lld\n", ok ? 1 : 0, (long long)res);
  return ok ? 0 : 1;
}

typedef LONG(WINAPI *query_system_fn)(ULONG, void *, ULONG, ULONG *);
typedef LONG(WINAPI *query_process_fn)(HANDLE, ULONG, void *, ULONG, ULONG *);

/* The address of a process's PEB; NULL when it cannot be read. */
static BYTE *peb_of(HANDLE process) {
  query_process_fn query =
      (query_process_fn)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION basic = {0};
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, NULL) != 0)
    return NULL;
  return (BYTE *)basic.PebBaseAddress;
}

/* A UNICODE_STRING of another process, read from `at` there, as ANSI text. */
static void read_remote_text(HANDLE process, const BYTE *at, char *out, size_t n) {
  UNICODE_STRING text;
  WCHAR buf[32768];
  SIZE_T got = 0;
  out[0] = 0;
  if (!ReadProcessMemory(process, at, &text, sizeof text, &got) || got != sizeof text) return;
  USHORT bytes = text.Length & ~1; /* at most 32767 characters: buf holds them and a zero */
  if (!ReadProcessMemory(process, text.Buffer, buf, bytes, &got) || got != bytes) return;
  buf[bytes / sizeof(WCHAR)] = 0;
  WideCharToMultiByte(CP_ACP, 0, buf, -1, out, (int)n, NULL, NULL);
}

/* The command line and current directory a process has in its parameters
 * (written at its start; the directory changes with SetCurrentDirectory).
 * The directory as GetCurrentDirectory gives it: no "\" at the end but
 * after a drive. Empty when the process cannot be read. */
static void process_texts(HANDLE process, char *cmdline, char *cwd, size_t n) {
  BYTE *peb = peb_of(process), *params = NULL;
  SIZE_T got = 0;
  cmdline[0] = cwd[0] = 0;
  if (!peb || !ReadProcessMemory(process, peb + offsetof(PEB, ProcessParameters), &params,
                                 sizeof params, &got))
    return;
  read_remote_text(process, params + offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine), cmdline,
                   n);
  /* CurrentDirectory comes fifth among the pointers after the flags. */
  read_remote_text(process,
                   params + offsetof(RTL_USER_PROCESS_PARAMETERS, Reserved2) + 5 * sizeof(PVOID),
                   cwd, n);
  size_t len = strlen(cwd);
  if (len > 3 && cwd[len - 1] == '\\') cwd[len - 1] = 0;
}

/* procs [--exe NAME] : the processes (of one image name), one a line:
 * pid, parent, start time (FILETIME, 100 ns units), image name, current
 * directory and command line. */
static int cmd_procs(int argc, char **argv) {
  const char *only = argc == 2 && !strcmp(argv[0], "--exe") ? argv[1] : NULL;
  if (argc && !only) return 2;
  static char cmdline[3 * 32768], cwd[3 * 32768];
  PROCESSENTRY32 pe;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE)
    return failed("procs: CreateToolhelp32Snapshot", GetLastError());
  pe.dwSize = sizeof pe;
  if (!Process32First(snap, &pe)) {
    DWORD error = GetLastError();
    CloseHandle(snap);
    return failed("procs: Process32First", error);
  }
  for (BOOL ok = TRUE; ok; ok = Process32Next(snap, &pe)) {
    if (only && lstrcmpiA(pe.szExeFile, only)) continue;
    ULARGE_INTEGER started = {0};
    FILETIME created, exited, kernel, user;
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pe.th32ProcessID);
    cmdline[0] = cwd[0] = 0;
    if (p) {
      if (GetProcessTimes(p, &created, &exited, &kernel, &user)) {
        started.LowPart = created.dwLowDateTime;
        started.HighPart = created.dwHighDateTime;
      }
      process_texts(p, cmdline, cwd, sizeof cmdline);
      CloseHandle(p);
    }
    printf("pid=%lu\tparent=%lu\tstarted=%llu", pe.th32ProcessID, pe.th32ParentProcessID,
           started.QuadPart);
    put_field("\texe=", pe.szExeFile);
    put_field("\tcwd=", cwd);
    put_field("\tcmdline=", cmdline);
    putchar('\n');
  }
  CloseHandle(snap);
  return 0;
}

/* menu-metrics : heights in this desktop's popup menus, measured on menus
 * of a known layout tracked here for a moment: the frame above (and below)
 * the items, a text item and a separator. They follow the menu font, which
 * the fonts of the host decide. */
static struct {
  RECT rect;
  int seen, ticks;
} tracked;

static BOOL CALLBACK tracked_cb(HWND h, LPARAM lp) {
  char cls[16];
  (void)lp;
  GetClassNameA(h, cls, sizeof cls);
  if (strcmp(cls, "#32768") || !IsWindowVisible(h)) return TRUE;
  GetWindowRect(h, &tracked.rect);
  tracked.seen = 1;
  return FALSE;
}

static void CALLBACK tracked_timer(HWND h, UINT msg, UINT_PTR id, DWORD now) {
  (void)h, (void)msg, (void)id, (void)now;
  EnumThreadWindows(GetCurrentThreadId(), tracked_cb, 0);
  if (tracked.seen || ++tracked.ticks > 200) EndMenu();
}

static int menu_height(HWND owner, const char *layout) {
  HMENU menu = CreatePopupMenu();
  for (const char *k = layout; *k; k++)
    AppendMenuA(menu, *k == 's' ? MF_SEPARATOR : MF_STRING, (UINT_PTR)(k - layout + 1), "Item");
  tracked.seen = tracked.ticks = 0;
  SetTimer(owner, 1, 50, tracked_timer);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, 0, 0, 0, owner,
                 NULL);
  KillTimer(owner, 1);
  DestroyMenu(menu);
  return tracked.seen ? tracked.rect.bottom - tracked.rect.top : -1;
}

static int cmd_menu_metrics(void) {
  HWND owner = CreateWindowA("STATIC", "probe", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
  int one = menu_height(owner, "i"), two = menu_height(owner, "ii"),
      split = menu_height(owner, "isi");
  DestroyWindow(owner);
  if (one < 0 || two < 0 || split < 0) {
    printf("error=no menu seen\n");
    return 1;
  }
  printf("frame=%d\titem=%d\tseparator=%d\n", (one - (two - one)) / 2, two - one, split - two);
  return 0;
}

static void send_key(WORD vk, int up) {
  INPUT in = {0};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

static WORD vk_of(const char *name) {
  static const struct {
    const char *n;
    WORD vk;
  } names[] = {
      {"Return", VK_RETURN}, {"Enter", VK_RETURN},    {"Escape", VK_ESCAPE},  {"Esc", VK_ESCAPE},
      {"Up", VK_UP},         {"Down", VK_DOWN},       {"Left", VK_LEFT},      {"Right", VK_RIGHT},
      {"Tab", VK_TAB},       {"Space", VK_SPACE},     {"BackSpace", VK_BACK}, {"Delete", VK_DELETE},
      {"Home", VK_HOME},     {"End", VK_END},         {"F2", VK_F2},          {"Alt", VK_MENU},
      {"Shift", VK_SHIFT},   {"Control", VK_CONTROL},
  };
  for (size_t i = 0; i < sizeof names / sizeof names[0]; i++)
    if (!lstrcmpiA(name, names[i].n)) return names[i].vk;
  if (strlen(name) == 1) return (WORD)(VkKeyScanA(name[0]) & 0xff);
  return 0;
}

/* Presses and releases the keys of one NAME; "a+b" holds a while b is pressed.
 * FALSE, with nothing pressed, for an unknown key name. */
static BOOL press_keys(const char *pattern) {
  char buf[64];
  WORD vks[4];
  int n = 0;
  lstrcpynA(buf, pattern, sizeof buf);
  for (char *tok = strtok(buf, "+"); tok && n < 4; tok = strtok(NULL, "+"))
    if (!(vks[n++] = vk_of(tok))) return FALSE; /* nothing pressed yet */
  for (int i = 0; i < n; i++) send_key(vks[i], 0);
  while (n > 0) send_key(vks[--n], 1);
  return TRUE;
}

/* key NAME... : each NAME pressed in turn, as press_keys takes it. */
static int cmd_key(int argc, char **argv) {
  for (int i = 0; i < argc; i++) {
    if (!press_keys(argv[i])) {
      printf("error=unknown key %s\n", argv[i]);
      return 2;
    }
    Sleep(30); /* let the receiver's loop take each key in turn */
  }
  return answer("ok", TRUE);
}

/* type TEXT : Unicode character input, independent of the keyboard layout;
 * the text (UTF-8, as every text of the probe) in UTF-16 units, so that a
 * character beyond the first plane goes as its two surrogates. */
static int cmd_type(const char *text) {
  static WCHAR wide[32768];
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 32768);
  for (int i = 0; i + 1 < n; i++) {
    INPUT in[2] = {{0}, {0}};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = wide[i];
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
    Sleep(20);
  }
  return answer("ok", TRUE);
}

/* treeitems H : the root items of tree view H in display order, their texts
 * read with TVM_GETITEMW through memory of the tree's process. */
static int cmd_treeitems(HWND tree) {
  DWORD pid = 0;
  GetWindowThreadProcessId(tree, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  enum { kChars = 4096 };
  BYTE *remote = process ? VirtualAllocEx(process, NULL, sizeof(TVITEMW) + kChars * sizeof(WCHAR),
                                          MEM_COMMIT, PAGE_READWRITE)
                         : NULL;
  if (!remote) {
    DWORD error = GetLastError();
    if (process) CloseHandle(process);
    return failed("treeitems: OpenProcess or VirtualAllocEx", error);
  }
  HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  for (int index = 0; item; index++) {
    static WCHAR wide[kChars];
    static char text[3 * kChars];
    TVITEMW info = {0};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = (LPWSTR)(remote + sizeof info);
    info.cchTextMax = kChars;
    SIZE_T done = 0;
    wide[0] = 0;
    if (WriteProcessMemory(process, remote, &info, sizeof info, &done) &&
        SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)remote))
      ReadProcessMemory(process, remote + sizeof info, wide, sizeof wide - sizeof(WCHAR), &done);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL);
    printf("index=%d", index);
    put_field("\ttext=", text);
    putchar('\n');
    item = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item);
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return 0;
}

/* What a process holds, counted from outside, because GetGuiResources and
 * GetProcessHandleCount answer 0 under Wine:
 *   handles  its kernel handles (the system handle list);
 *   gdi      used entries of its GDI handle table (PEB GdiSharedHandleTable),
 *            stock objects included; gdi_types lists them by type;
 *   windows  its windows: top-level (shown or hidden), their children and
 *            message-only windows.
 * A field that cannot be read is -1. */
struct handle_entry {
  ULONG pid;
  BYTE type, flags;
  USHORT value;
  void *object;
  ULONG access;
};
struct gdi_entry {
  ULONGLONG object;
  ULONG owner;
  USHORT unique;
  BYTE type, flags;
  ULONGLONG user;
};

static long count_handles(DWORD pid) {
  query_system_fn query =
      (query_system_fn)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
  ULONG size = 1 << 16, needed = 0;
  long count = -1;
  for (int attempt = 0; query && attempt < 8; attempt++, size *= 4) {
    BYTE *buf = malloc(size);
    if (!buf) break;
    LONG status = query(16 /* SystemHandleInformation */, buf, size, &needed);
    if (status == 0) {
      ULONG n = *(ULONG *)buf;
      const struct handle_entry *e = (const struct handle_entry *)(buf + sizeof(ULONG_PTR));
      count = 0;
      for (ULONG i = 0; i < n; i++) count += e[i].pid == pid;
      free(buf);
      break;
    }
    free(buf);
    if (status != (LONG)0xC0000004 /* STATUS_INFO_LENGTH_MISMATCH */) break;
  }
  return count;
}

static long count_gdi(HANDLE process, char *types, size_t types_size) {
  BYTE *peb = peb_of(process), *table = NULL;
  SIZE_T got = 0;
  const size_t table_offset = sizeof(void *) == 8 ? 0xf8 : 0x94; /* in the PEB */
  types[0] = 0;
  if (!peb) return -1;
  if (!ReadProcessMemory(process, peb + table_offset, &table, sizeof table, &got) || !table)
    return -1;
  const size_t entries = 0x10000;
  struct gdi_entry *copy = malloc(entries * sizeof *copy);
  if (!copy) return -1;
  long count = -1;
  if (ReadProcessMemory(process, table, copy, entries * sizeof *copy, &got) &&
      got == entries * sizeof *copy) {
    long by_type[256] = {0};
    count = 0;
    for (size_t i = 0; i < entries; i++) {
      if (!copy[i].type) continue;
      count++;
      by_type[copy[i].type]++;
    }
    size_t used = 0;
    for (int t = 1; t < 256 && used + 16 < types_size; t++)
      if (by_type[t])
        used += (size_t)snprintf(types + used, types_size - used, "%s%02x:%ld", used ? "," : "", t,
                                 by_type[t]);
  }
  free(copy);
  return count;
}

struct window_count {
  DWORD pid;
  long count;
};

static BOOL CALLBACK count_child_cb(HWND h, LPARAM lp) {
  (void)h;
  ((struct window_count *)lp)->count++;
  return TRUE;
}

static BOOL CALLBACK count_window_cb(HWND h, LPARAM lp) {
  struct window_count *wc = (struct window_count *)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != wc->pid) return TRUE;
  wc->count++;
  EnumChildWindows(h, count_child_cb, lp); /* all descendants */
  return TRUE;
}

static long count_windows(DWORD pid) {
  struct window_count wc = {pid, 0};
  EnumWindows(count_window_cb, (LPARAM)&wc);
  for (HWND h = FindWindowExA(HWND_MESSAGE, NULL, NULL, NULL); h;
       h = FindWindowExA(HWND_MESSAGE, h, NULL, NULL))
    count_window_cb(h, (LPARAM)&wc);
  return wc.count;
}

static int cmd_resources(DWORD pid) {
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid);
  if (!p) {
    printf("alive=0\n");
    return 1;
  }
  DWORD code = 0;
  char types[512];
  GetExitCodeProcess(p, &code);
  long gdi = count_gdi(p, types, sizeof types);
  printf("alive=%d\thandles=%ld\tgdi=%ld\twindows=%ld\tgdi_types=%s\n",
         code == STILL_ACTIVE ? 1 : 0, count_handles(pid), gdi, count_windows(pid), types);
  CloseHandle(p);
  return 0;
}

/* repeat N PID STEP... : runs the steps N times, as fast as the program
 * answers, for the stress tests. Steps:
 *   click:X,Y       a left click at a screen point (SendInput)
 *   key:NAME        a key, as "key" takes it (Escape, Return, Shift+End...)
 *   open:CLASS[/TITLE]   wait for a visible window of PID
 *   front:CLASS[/TITLE]  wait until such a window is the foreground window
 *   gone:CLASS[/TITLE]   wait until no such visible window is left, and no
 *                        window holds the mouse (a menu does until its
 *                        tracking has ended, and takes a click made before)
 *   sleep:MS
 * Each wait gives up after 15 s: "failed=ROUND\tindex=I\tstep=STEP" (I counts
 * the steps from 0), exit code 1. */
/* The first visible window of `pid` whose class (and title) is "CLASS[/TITLE]". */
static HWND find_wanted(DWORD pid, const char *pattern) {
  char cls[128];
  struct filter f = {cls, NULL, NULL, pid, 1, 0, 0, NULL};
  lstrcpynA(cls, pattern, sizeof cls);
  char *slash = strchr(cls, '/');
  if (slash) {
    *slash = 0;
    f.title = pattern + (slash - cls) + 1;
  }
  EnumWindows(filter_cb, (LPARAM)&f);
  return f.found ? f.first : NULL;
}

static int mouse_held(void) {
  GUITHREADINFO gui = {.cbSize = sizeof gui};
  return GetGUIThreadInfo(0, &gui) && (gui.hwndCapture || (gui.flags & GUI_INMENUMODE));
}

static int run_step(DWORD pid, const char *step) {
  const char *arg = strchr(step, ':');
  if (!arg) return 2;
  arg++;
  if (!strncmp(step, "click:", 6)) {
    INPUT in[3] = {{0}, {0}, {0}};
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN), x = 0, y = 0;
    if (sscanf(arg, "%d,%d", &x, &y) != 2) return 2;
    /* The press and the release carry the point as well: a pointer
     * motion that reaches Wine late from the X server could otherwise
     * put them at the place of the last click (a double click with it). */
    for (int i = 0; i < 3; i++) {
      in[i].type = INPUT_MOUSE;
      in[i].mi.dx = (x * 65535 + sw / 2) / (sw - 1);
      in[i].mi.dy = (y * 65535 + sh / 2) / (sh - 1);
      in[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    in[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof in[0]);
    return 0;
  }
  if (!strncmp(step, "key:", 4)) return press_keys(arg) ? 0 : 2;
  if (!strncmp(step, "sleep:", 6)) {
    Sleep((DWORD)num(arg));
    return 0;
  }
  int open = !strncmp(step, "open:", 5), front = !strncmp(step, "front:", 6),
      gone = !strncmp(step, "gone:", 5);
  if (!open && !front && !gone) return 2;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(5)) {
    HWND h = find_wanted(pid, arg);
    if (gone ? !h && !mouse_held() : h && (!front || GetForegroundWindow() == h)) return 0;
  }
  return 1;
}

static int cmd_repeat(int argc, char **argv) {
  if (argc < 3) return 2;
  int rounds = (int)num(argv[0]);
  DWORD pid = (DWORD)num(argv[1]), start = GetTickCount();
  for (int r = 1; r <= rounds; r++) {
    for (int i = 2; i < argc; i++) {
      int rc = run_step(pid, argv[i]);
      if (rc) {
        printf("failed=%d\tindex=%d", r, i - 2);
        put_field("\tstep=", argv[i]);
        putchar('\n');
        return rc;
      }
    }
  }
  printf("rounds=%d\tms=%lu\n", rounds, GetTickCount() - start);
  return 0;
}

/* Shell_NotifyIcon on another program's icon, given by window and id. */
static int cmd_notify_icon(DWORD message, const char *label, char **argv) {
  NOTIFYICONDATAA data = {.cbSize = NOTIFYICONDATAA_V1_SIZE};
  data.hWnd = hwnd_arg(argv[1]);
  data.uID = (UINT)num(argv[2]);
  return answer(label, Shell_NotifyIconA(message, &data));
}

/* run CMDLINE : starts a program with exactly this command line, as a
 * deployment tool runs an uninstall command (CreateProcess, wait for the
 * process, GetExitCodeProcess). A first line, written before the start,
 * gives the command line as it arrived; a second one, once the program has
 * ended, its exit code and the time it took. */
static int cmd_run(const char *cmdline) {
  static char line[32768]; /* CreateProcess may write into the command line */
  STARTUPINFOA si = {.cb = sizeof si};
  PROCESS_INFORMATION pi;
  DWORD code = 0, start = GetTickCount();
  lstrcpynA(line, cmdline, sizeof line);
  put_field("cmdline=", cmdline);
  putchar('\n');
  fflush(stdout);
  if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
    return failed("run: CreateProcess", GetLastError());
  WaitForSingleObject(pi.hProcess, INFINITE);
  BOOL ok = GetExitCodeProcess(pi.hProcess, &code);
  DWORD error = GetLastError();
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!ok) return failed("run: GetExitCodeProcess", error);
  printf("exit=%lu\tms=%lu\n", code, GetTickCount() - start);
  return 0;
}

static int dispatch(int argc, char **argv) {
  const char *c = argv[0];
  if (!strcmp(c, "find")) return cmd_find(argc - 1, argv + 1);
  if (!strcmp(c, "window") && argc == 2) return cmd_window(hwnd_arg(argv[1]));
  if (!strcmp(c, "controls") && argc == 2) return cmd_controls(hwnd_arg(argv[1]));
  if (!strcmp(c, "text") && argc == 2) return cmd_text(hwnd_arg(argv[1]));
  if (!strcmp(c, "textfit") && argc == 2) return cmd_report(hwnd_arg(argv[1]), "TextFitReport");
  if ((!strcmp(c, "post") || !strcmp(c, "send")) && argc == 5) {
    UINT msg = (UINT)num(argv[2]);
    if (!msg) msg = RegisterWindowMessageA(argv[2]); /* a registered message by name */
    return cmd_msg(c[0] == 'p', hwnd_arg(argv[1]), msg, (WPARAM)num(argv[3]), (LPARAM)num(argv[4]));
  }
  if (!strcmp(c, "postthread") && argc == 5)
    return answer("ok", PostThreadMessageA((DWORD)num(argv[1]), (UINT)num(argv[2]),
                                           (WPARAM)num(argv[3]), (LPARAM)num(argv[4])));
  if (!strcmp(c, "broadcast") && argc == 2) /* a registered message, e.g. TaskbarCreated */
    return answer("ok", PostMessageA(HWND_BROADCAST, RegisterWindowMessageA(argv[1]), 0, 0));
  if (!strcmp(c, "hasicon") &&
      argc == 3) /* a modify with no change succeeds only for an icon that exists */
    return cmd_notify_icon(NIM_MODIFY, "icon", argv);
  if (!strcmp(c, "untray") &&
      argc == 3) /* remove a program's icon, as a restarting shell loses it */
    return cmd_notify_icon(NIM_DELETE, "ok", argv);
  if (!strcmp(c, "resources") && argc == 2) return cmd_resources((DWORD)num(argv[1]));
  if (!strcmp(c, "repeat")) return cmd_repeat(argc - 1, argv + 1);
  if (!strcmp(c, "run") && argc == 2) return cmd_run(argv[1]);
  if (!strcmp(c, "procs")) return cmd_procs(argc - 1, argv + 1);
  if (!strcmp(c, "menu-metrics")) return cmd_menu_metrics();
  if (!strcmp(c, "foreground")) return cmd_window(GetForegroundWindow());
  if (!strcmp(c, "setforeground") && argc == 2)
    return answer("ok", SetForegroundWindow(hwnd_arg(argv[1])));
  if (!strcmp(c, "key")) return cmd_key(argc - 1, argv + 1);
  if (!strcmp(c, "type") && argc == 2) return cmd_type(argv[1]);
  if (!strcmp(c, "menutext") && argc == 2) return cmd_report(hwnd_arg(argv[1]), "MenuTextReport");
  if (!strcmp(c, "treeitems") && argc == 2) return cmd_treeitems(hwnd_arg(argv[1]));
  if (!strcmp(c, "screen")) {
    RECT wa;
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0);
    printf(
        "width=%d\theight=%d\tworkarea=%ld,%ld,%ld,%ld\tmenuheight=%d\tsmallicon=%d,%d"
        "\tdoubleclick=%u\tdpi=%d\n",
        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), wa.left, wa.top, wa.right,
        wa.bottom, GetSystemMetrics(SM_CYMENUSIZE), GetSystemMetrics(SM_CXSMICON),
        GetSystemMetrics(SM_CYSMICON), GetDoubleClickTime(), dpi);
    return 0;
  }
  if (!strcmp(c, "sleep") && argc == 2) {
    Sleep((DWORD)num(argv[1]));
    return 0;
  }
  fprintf(stderr, "probe: unknown command or arguments: %s\n", c);
  return 2;
}

int main(int argc, char **argv) {
  if (argc < 2) {
    fputs(
        "usage: probe find|window|controls|text|textfit|post|send|postthread|broadcast|hasicon|\n"
        "  untray|procs|foreground|setforeground|key|type|screen|resources|repeat|menu-metrics|\n"
        "  sleep|menutext|treeitems|run ...\n",
        stderr);
    return 2;
  }
  /* Real pixels at any scale, as the program (DPI aware) sees them. */
  SetProcessDPIAware();
  int rc = dispatch(argc - 1, argv + 1);
  fflush(stdout);
  return rc;
}
