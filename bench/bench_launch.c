/* Measures a tray program from outside, as the shell sees it: the time from
   CreateProcess to its icon being in the notification area, and the
   process's memory, GDI/USER objects and handles. Prints key=value lines.

   bench_launch startup EXE CLASS close|quit RUNS WARMUP
   bench_launch resources EXE CLASS close|quit menu|nomenu */
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define ICON_ID 128
#define TRAY_CALLBACK (WM_USER + 101) /* the programs' icon callback message */
#define ID_TRAY_QUIT 104
#define MAX_RUNS 64

static double g_tick_ms;

static double now_ms(void) {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return (double)t.QuadPart * g_tick_ms;
}

static int compare_doubles(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

static double median(double* values, int count) {
  qsort(values, (size_t)count, sizeof(double), compare_doubles);
  return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

/* The window of class `class_name` owned by process `pid`, if any. */
static HWND find_window_of(const char* class_name, DWORD pid) {
  HWND window = NULL;
  while ((window = FindWindowExA(NULL, window, class_name, NULL)) != NULL) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid) return window;
  }
  return NULL;
}

/* TRUE once the shell knows icon ICON_ID of `window`: a modification that
   changes nothing succeeds only for an existing icon. */
static BOOL icon_exists(HWND window) {
  NOTIFYICONDATAA data;
  ZeroMemory(&data, sizeof(data));
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  data.uID = ICON_ID;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data);
}

typedef struct {
  PROCESS_INFORMATION process;
  HWND window;
  double icon_ms; /* from just before CreateProcess to the icon */
} Started;

static BOOL start_and_wait_for_icon(const char* exe, const char* class_name, Started* out) {
  STARTUPINFOA startup;
  char command[MAX_PATH + 2];
  double start, deadline;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  ZeroMemory(out, sizeof(*out));
  snprintf(command, sizeof(command), "\"%s\"", exe);

  start = now_ms();
  if (!CreateProcessA(exe, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &out->process)) {
    fprintf(stderr, "bench_launch: cannot start %s (error %lu)\n", exe, GetLastError());
    return FALSE;
  }
  deadline = start + 30000;
  while (now_ms() < deadline) {
    if (!out->window) out->window = find_window_of(class_name, out->process.dwProcessId);
    if (out->window && icon_exists(out->window)) {
      out->icon_ms = now_ms() - start;
      return TRUE;
    }
    Sleep(1);
  }
  fprintf(stderr, "bench_launch: no icon from %s within 30 s\n", exe);
  return FALSE;
}

/* Asks the program to end as a user would, then waits; kills it if it stays. */
static void stop(Started* started, BOOL quit_command) {
  if (started->window) {
    if (quit_command) {
      PostMessageA(started->window, WM_COMMAND, ID_TRAY_QUIT, 0);
    } else {
      PostMessageA(started->window, WM_CLOSE, 0, 0);
    }
  }
  if (WaitForSingleObject(started->process.hProcess, 10000) != WAIT_OBJECT_0) {
    fprintf(stderr, "bench_launch: the program did not end; killing it\n");
    TerminateProcess(started->process.hProcess, 1);
    WaitForSingleObject(started->process.hProcess, 5000);
  }
  CloseHandle(started->process.hThread);
  CloseHandle(started->process.hProcess);
}

static int run_startup(const char* exe, const char* class_name, BOOL quit_command, int runs,
                       int warmup) {
  double times[MAX_RUNS];
  int i;
  if (runs < 1 || runs > MAX_RUNS) runs = 10;
  for (i = -warmup; i < runs; ++i) {
    Started started;
    if (!start_and_wait_for_icon(exe, class_name, &started)) return 1;
    if (i >= 0) times[i] = started.icon_ms;
    stop(&started, quit_command);
    Sleep(200); /* let the shell drop the icon before the next start */
  }
  for (i = 0; i < runs; ++i) printf("startup_run_ms=%.1f\n", times[i]);
  printf("startup_median_ms=%.1f\n", median(times, runs));
  printf("startup_min_ms=%.1f\n", times[0]); /* sorted by median() */
  return 0;
}

/* Counts the process's kernel handles by duplicating each possible value:
   Wine's GetProcessHandleCount answers 0 for every process. */
static unsigned long scan_handles(DWORD pid) {
  unsigned long count = 0;
  ULONG_PTR value;
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  if (!process) return 0;
  for (value = 4; value < 4 * 16384; value += 4) {
    HANDLE copy = NULL;
    if (DuplicateHandle(process, (HANDLE)value, GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
      ++count;
      CloseHandle(copy);
    }
  }
  CloseHandle(process);
  return count;
}

typedef struct {
  DWORD pid;
  unsigned long count;
} WindowCount;

static BOOL CALLBACK count_child(HWND window, LPARAM param) {
  (void)window;
  ++((WindowCount*)param)->count;
  return TRUE;
}

static BOOL CALLBACK count_top_level(HWND window, LPARAM param) {
  WindowCount* windows = (WindowCount*)param;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == windows->pid) {
    ++windows->count;
    EnumChildWindows(window, count_child, param);
  }
  return TRUE;
}

/* The process's windows, top-level and child: the part of its USER objects
   that can be counted from outside under Wine. */
static unsigned long count_windows(DWORD pid) {
  WindowCount windows;
  windows.pid = pid;
  windows.count = 0;
  EnumWindows(count_top_level, (LPARAM)&windows);
  return windows.count;
}

static void print_resources(const char* when, DWORD pid) {
  PROCESS_MEMORY_COUNTERS memory;
  DWORD handles = 0;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) {
    fprintf(stderr, "bench_launch: cannot open process %lu (error %lu)\n", pid, GetLastError());
    return;
  }
  ZeroMemory(&memory, sizeof(memory));
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(process, &memory, sizeof(memory));
  GetProcessHandleCount(process, &handles);
  printf("%s_peak_ws_kb=%lu\n", when, (unsigned long)(memory.PeakWorkingSetSize / 1024));
  printf("%s_ws_kb=%lu\n", when, (unsigned long)(memory.WorkingSetSize / 1024));
  printf("%s_gdi=%lu\n", when, GetGuiResources(process, GR_GDIOBJECTS));
  printf("%s_user=%lu\n", when, GetGuiResources(process, GR_USEROBJECTS));
  printf("%s_handles=%lu\n", when, handles);
  printf("%s_handles_scan=%lu\n", when, scan_handles(pid));
  printf("%s_windows=%lu\n", when, count_windows(pid));
  CloseHandle(process);
}

/* The visible popup menu window of process `pid`, if any. */
static HWND find_menu_of(DWORD pid) {
  HWND menu = NULL;
  while ((menu = FindWindowExA(NULL, menu, "#32768", NULL)) != NULL) {
    DWORD owner = 0;
    GetWindowThreadProcessId(menu, &owner);
    if (owner == pid && IsWindowVisible(menu)) return menu;
  }
  return NULL;
}

static BOOL wait_for_menu(DWORD pid, BOOL shown, HWND* menu) {
  const double deadline = now_ms() + 10000;
  while (now_ms() < deadline) {
    *menu = find_menu_of(pid);
    if ((*menu != NULL) == shown) return TRUE;
    Sleep(5);
  }
  return FALSE;
}

static int run_resources(const char* exe, const char* class_name, BOOL quit_command,
                         BOOL open_menu) {
  Started started;
  HWND menu = NULL;
  int status = 0;
  int opened;
  if (!start_and_wait_for_icon(exe, class_name, &started)) return 1;
  Sleep(1000); /* settle: start-up work after the icon */
  print_resources("start", started.process.dwProcessId);
  /* Once as asked, then four more times to see whether anything grows. */
  for (opened = 1; open_menu && status == 0 && opened <= 5; ++opened) {
    /* The icon's left button press, as the shell sends it. */
    PostMessageA(started.window, TRAY_CALLBACK, ICON_ID, WM_LBUTTONDOWN);
    if (!wait_for_menu(started.process.dwProcessId, TRUE, &menu)) {
      fprintf(stderr, "bench_launch: the menu did not open\n");
      status = 1;
      break;
    }
    Sleep(300);
    /* The menu loop reads the thread's queue: a posted Escape closes it. */
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(menu, WM_KEYUP, VK_ESCAPE, 0);
    if (!wait_for_menu(started.process.dwProcessId, FALSE, &menu)) {
      fprintf(stderr, "bench_launch: the menu did not close\n");
      status = 1;
      break;
    }
    if (opened == 1 || opened == 5) {
      Sleep(1000);
      print_resources(opened == 1 ? "menu" : "menu5", started.process.dwProcessId);
    }
  }
  stop(&started, quit_command);
  return status;
}

int main(int argc, char** argv) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  g_tick_ms = 1000.0 / (double)frequency.QuadPart;
  if (argc >= 7 && strcmp(argv[1], "startup") == 0) {
    return run_startup(argv[2], argv[3], strcmp(argv[4], "quit") == 0, atoi(argv[5]),
                       atoi(argv[6]));
  }
  if (argc >= 6 && strcmp(argv[1], "resources") == 0) {
    return run_resources(argv[2], argv[3], strcmp(argv[4], "quit") == 0,
                         strcmp(argv[5], "menu") == 0);
  }
  fprintf(stderr,
          "usage: bench_launch startup EXE CLASS close|quit RUNS WARMUP\n"
          "       bench_launch resources EXE CLASS close|quit menu|nomenu\n");
  return 2;
}
