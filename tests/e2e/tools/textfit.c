/* textfit.dll: what only a window's own process can see, reported to
 * probe.exe. The probe calls an exported report function, which hooks the
 * window's thread and sends it a message; the hook runs there and writes its
 * report into a mapping named after the caller.
 *
 * TextFitReport: the room the texts of a window's controls need, measured
 * with the fonts the controls draw with (a font handle means nothing in
 * another process): a line per control that shows a text, with hwnd, id,
 * rect (its window, in screen pixels) and need=W,H, the window size that
 * shows the text whole as the control lays it out.
 *
 * MenuTextReport: the items of the popup menu that the window's thread is
 * tracking, as GetMenuStringW gives them: a line per item, index=N and
 * text=... (UTF-8; tab, CR, LF and backslash escaped), separators with an
 * empty text. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#define TEXTFIT_MESSAGE "ProbeTextFit"
#define MENUTEXT_MESSAGE "ProbeMenuText"
#define REPORT_SIZE 65536

extern IMAGE_DOS_HEADER __ImageBase;

static void mapping_name(char *out, size_t size, DWORD pid) {
  snprintf(out, size, "probe-textfit-%lu", pid);
}

/* The extent of `text` drawn with the control's font and DrawText `flags`,
 * lines broken at `width` with DT_WORDBREAK. In UTF-16, as the controls draw
 * it: DrawTextA reads its bytes in the code page of the font (1252 for most),
 * not in the process's UTF-8, and would measure "é" as two characters. */
static SIZE text_extent(HWND control, const WCHAR *text, UINT flags, LONG width) {
  HDC dc = GetDC(control);
  HFONT font = (HFONT)SendMessageA(control, WM_GETFONT, 0, 0);
  HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
  RECT rect = {0, 0, width, 0};
  DrawTextW(dc, text, -1, &rect, flags | DT_CALCRECT);
  if (previous) SelectObject(dc, previous);
  ReleaseDC(control, dc);
  SIZE size = {rect.right, rect.bottom};
  return size;
}

/* The client size a control needs for its text, laid out as the control
 * lays it out; FALSE when it shows none. */
static BOOL needed_client(HWND control, SIZE *need) {
  char cls[32];
  WCHAR text[1024];
  RECT client;
  LONG style = GetWindowLongA(control, GWL_STYLE);
  GetClassNameA(control, cls, sizeof cls);
  if (!GetWindowTextW(control, text, 1024)) return FALSE;
  GetClientRect(control, &client);
  if (!lstrcmpiA(cls, "Static")) {
    UINT flags = DT_EXPANDTABS | (style & SS_NOPREFIX ? DT_NOPREFIX : 0);
    LONG type = style & SS_TYPEMASK;
    if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)
      flags |= style & SS_CENTERIMAGE ? DT_SINGLELINE : DT_WORDBREAK;
    else if (type == SS_SIMPLE)
      flags = DT_SINGLELINE | (flags & DT_NOPREFIX);
    else if (type != SS_LEFTNOWORDWRAP)
      return FALSE; /* icons, pictures, frames */
    *need = text_extent(control, text, flags, client.right);
    return TRUE;
  }
  if (lstrcmpiA(cls, "Button")) return FALSE;
  /* Where the control draws its caption: a group box 7 px in from either
   * side, a push button inside its 2 px frame, a default one 1 px further
   * in (as Wine's button code lays them out). */
  LONG type = style & BS_TYPEMASK;
  LONG inset = type == BS_GROUPBOX        ? 7
               : type == BS_PUSHBUTTON    ? 2
               : type == BS_DEFPUSHBUTTON ? 3
                                          : -1;
  if (inset >= 0) {
    *need = text_extent(control, text, style & BS_MULTILINE ? DT_WORDBREAK : DT_SINGLELINE,
                        client.right - 2 * inset);
    need->cx += 2 * inset;
    need->cy += type == BS_GROUPBOX ? 0 : 2 * inset;
    return TRUE;
  }
  /* Check boxes and radio buttons: the control's own answer, its box, the
   * gap and the caption. */
  need->cx = need->cy = 0;
  return (BOOL)SendMessageA(control, BCM_GETIDEALSIZE, 0, (LPARAM)need);
}

struct report {
  HWND parent;
  char *at, *end;
};

static BOOL CALLBACK report_control(HWND control, LPARAM lp) {
  struct report *report = (struct report *)lp;
  SIZE need;
  RECT window, client;
  if (GetParent(control) != report->parent || !needed_client(control, &need)) return TRUE;
  GetWindowRect(control, &window);
  GetClientRect(control, &client);
  /* In window pixels: the borders come on top of the client area. */
  need.cx += window.right - window.left - client.right;
  need.cy += window.bottom - window.top - client.bottom;
  int n = snprintf(report->at, (size_t)(report->end - report->at),
                   "hwnd=0x%llx\tid=%d\trect=%ld,%ld,%ld,%ld\tneed=%ld,%ld\n",
                   (unsigned long long)(UINT_PTR)control, GetDlgCtrlID(control), window.left,
                   window.top, window.right, window.bottom, need.cx, need.cy);
  if (n > 0 && n < report->end - report->at) report->at += n;
  return TRUE;
}

/* The visible popup menu window of the calling thread. */
static BOOL CALLBACK find_popup(HWND h, LPARAM lp) {
  char cls[16];
  GetClassNameA(h, cls, sizeof cls);
  if (strcmp(cls, "#32768") || !IsWindowVisible(h)) return TRUE;
  *(HWND *)lp = h;
  return FALSE;
}

static void report_menu(char *at, char *end) {
  HWND popup = NULL;
  EnumThreadWindows(GetCurrentThreadId(), find_popup, (LPARAM)&popup);
  HMENU menu = popup ? (HMENU)SendMessageW(popup, MN_GETHMENU, 0, 0) : NULL;
  int count = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; i++) {
    static WCHAR wide[4096];
    static char text[3 * 4096];
    wide[0] = 0;
    GetMenuStringW(menu, (UINT)i, wide, 4096, MF_BYPOSITION);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, NULL, NULL);
    int n = snprintf(at, (size_t)(end - at), "index=%d\ttext=", i);
    if (n < 0 || n >= end - at) return;
    at += n;
    for (const char *p = text; *p && end - at > 2; p++) {
      char escaped = *p == '\t' ? 't' : *p == '\n' ? 'n' : *p == '\r' ? 'r' : *p == '\\' ? '\\' : 0;
      if (escaped) *at++ = '\\';
      *at++ = escaped ? escaped : *p;
    }
    if (end - at > 1) *at++ = '\n';
  }
  *at = 0;
}

/* Runs on the hooked thread: reports for the process whose id comes in wParam. */
static LRESULT CALLBACK report_hook(int code, WPARAM wp, LPARAM lp) {
  const CWPSTRUCT *msg = (const CWPSTRUCT *)lp;
  const UINT textfit = RegisterWindowMessageA(TEXTFIT_MESSAGE),
             menutext = RegisterWindowMessageA(MENUTEXT_MESSAGE);
  if (code == HC_ACTION && (msg->message == textfit || msg->message == menutext)) {
    char name[64];
    mapping_name(name, sizeof name, (DWORD)msg->wParam);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    char *view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, REPORT_SIZE) : NULL;
    if (view && msg->message == textfit) {
      struct report report = {msg->hwnd, view, view + REPORT_SIZE - 1};
      EnumChildWindows(msg->hwnd, report_control, (LPARAM)&report);
    } else if (view) {
      report_menu(view, view + REPORT_SIZE - 1);
    }
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
  }
  return CallNextHookEx(NULL, code, wp, lp);
}

/* The report that the hook makes for `window` on `message` into `out`;
 * FALSE when it could not be made or is empty. */
static BOOL report(HWND window, const char *message, char *out, int size) {
  char name[64];
  BOOL done = FALSE;
  DWORD thread = GetWindowThreadProcessId(window, NULL);
  mapping_name(name, sizeof name, GetCurrentProcessId());
  HANDLE mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, REPORT_SIZE, name);
  const char *view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, REPORT_SIZE) : NULL;
  HHOOK hook = view && thread
                   ? SetWindowsHookExA(WH_CALLWNDPROC, report_hook, (HINSTANCE)&__ImageBase, thread)
                   : NULL;
  if (hook) {
    DWORD_PTR result;
    done = SendMessageTimeoutA(window, RegisterWindowMessageA(message), GetCurrentProcessId(), 0,
                               SMTO_ABORTIFHUNG, 5000, &result) &&
           view[0];
    UnhookWindowsHookEx(hook);
    if (done) lstrcpynA(out, view, size);
  }
  if (view) UnmapViewOfFile(view);
  if (mapping) CloseHandle(mapping);
  return done;
}

/* The report on the controls of `window` (its direct children). */
__declspec(dllexport) BOOL TextFitReport(HWND window, char *out, int size) {
  return report(window, TEXTFIT_MESSAGE, out, size);
}

/* The report on the popup menu that the thread of `window` is tracking. */
__declspec(dllexport) BOOL MenuTextReport(HWND window, char *out, int size) {
  return report(window, MENUTEXT_MESSAGE, out, size);
}
