/* probe: looks at and pokes windows of the Wine desktop it runs in, for the
 * end-to-end tests. One command per call (a call costs about 0.1 s).
 *
 * Output is line based: "key=value" fields separated by tabs; texts are
 * written last on the line with tabs, CR and LF escaped as \t \r \n.
 * Exit code 0 on success, 1 when the thing asked for does not exist,
 * 2 on bad usage. */
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void put_text(const char *s)
{
    for (; *s; s++) {
        if (*s == '\t') fputs("\\t", stdout);
        else if (*s == '\n') fputs("\\n", stdout);
        else if (*s == '\r') fputs("\\r", stdout);
        else if (*s == '\\') fputs("\\\\", stdout);
        else putchar(*s);
    }
}

static UINT_PTR num(const char *s) { return (UINT_PTR)_strtoui64(s, NULL, 0); }
static HWND hwnd_arg(const char *s) { return (HWND)num(s); }

static void exe_of(DWORD pid, char *out, size_t n)
{
    PROCESSENTRY32 pe;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    out[0] = 0;
    if (snap == INVALID_HANDLE_VALUE) return;
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        if (pe.th32ProcessID == pid) { lstrcpynA(out, pe.szExeFile, (int)n); break; }
    CloseHandle(snap);
}

static void print_window(HWND h)
{
    char cls[256], title[1024], exe[MAX_PATH];
    RECT r;
    DWORD pid = 0, tid = GetWindowThreadProcessId(h, &pid);
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, title, sizeof title);
    GetWindowRect(h, &r);
    exe_of(pid, exe, sizeof exe);
    printf("hwnd=0x%llx\tpid=%lu\ttid=%lu\tvisible=%d\tenabled=%d\trect=%ld,%ld,%ld,%ld\tclass=",
           (unsigned long long)(UINT_PTR)h, pid, tid, IsWindowVisible(h) ? 1 : 0,
           IsWindowEnabled(h) ? 1 : 0, r.left, r.top, r.right, r.bottom);
    put_text(cls);
    fputs("\texe=", stdout);
    put_text(exe);
    fputs("\ttitle=", stdout);
    put_text(title);
    putchar('\n');
}

struct filter { const char *cls, *title, *exe; DWORD pid; int visible_only, found; };

static BOOL CALLBACK find_cb(HWND h, LPARAM lp)
{
    struct filter *f = (struct filter *)lp;
    char buf[1024];
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (f->pid && pid != f->pid) return TRUE;
    if (f->visible_only && !IsWindowVisible(h)) return TRUE;
    if (f->cls) { GetClassNameA(h, buf, sizeof buf); if (lstrcmpiA(buf, f->cls)) return TRUE; }
    if (f->title) { GetWindowTextA(h, buf, sizeof buf); if (strcmp(buf, f->title)) return TRUE; }
    if (f->exe) { exe_of(pid, buf, sizeof buf); if (lstrcmpiA(buf, f->exe)) return TRUE; }
    print_window(h);
    f->found++;
    return TRUE;
}

/* find [--class C] [--title T] [--pid P] [--exe NAME] [--visible] */
static int cmd_find(int argc, char **argv)
{
    struct filter f = {0};
    for (int i = 0; i < argc; i++) {
        if (i + 1 < argc && !strcmp(argv[i], "--class")) f.cls = argv[++i];
        else if (i + 1 < argc && !strcmp(argv[i], "--title")) f.title = argv[++i];
        else if (i + 1 < argc && !strcmp(argv[i], "--exe")) f.exe = argv[++i];
        else if (i + 1 < argc && !strcmp(argv[i], "--pid")) f.pid = (DWORD)num(argv[++i]);
        else if (!strcmp(argv[i], "--visible")) f.visible_only = 1;
        else return 2;
    }
    EnumWindows(find_cb, (LPARAM)&f);
    return f.found ? 0 : 1;
}

static BOOL CALLBACK child_cb(HWND h, LPARAM lp)
{
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
    printf("hwnd=0x%llx\tid=%d\tvisible=%d\tenabled=%d\tcheck=%d\trect=%ld,%ld,%ld,%ld\tstyle=0x%lx\tclass=",
           (unsigned long long)(UINT_PTR)h, GetDlgCtrlID(h), IsWindowVisible(h) ? 1 : 0,
           IsWindowEnabled(h) ? 1 : 0, (int)check, r.left, r.top, r.right, r.bottom,
           (unsigned long)GetWindowLongA(h, GWL_STYLE));
    put_text(cls);
    fputs("\ttext=", stdout);
    put_text(text);
    putchar('\n');
    return TRUE;
}

static int cmd_controls(HWND h)
{
    if (!IsWindow(h)) return 1;
    EnumChildWindows(h, child_cb, (LPARAM)h);
    return 0;
}

static int cmd_text(HWND h)
{
    char text[8192];
    DWORD_PTR n = 0;
    if (!IsWindow(h)) return 1;
    SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &n);
    text[n < sizeof text ? n : sizeof text - 1] = 0;
    fputs("text=", stdout);
    put_text(text);
    putchar('\n');
    return 0;
}

static int cmd_msg(int post, HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (post) {
        BOOL ok = PostMessageA(h, msg, w, l);
        printf("ok=%d\n", ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    DWORD_PTR res = 0;
    LRESULT ok = SendMessageTimeoutA(h, msg, w, l, SMTO_NORMAL, 5000, &res);
    printf("ok=%d\tresult=%lld\n", ok ? 1 : 0, (long long)res);
    return ok ? 0 : 1;
}

static int cmd_process(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!p) { printf("alive=0\n"); return 1; }
    DWORD code = 0, handles = 0;
    GetExitCodeProcess(p, &code);
    GetProcessHandleCount(p, &handles);
    printf("alive=%d\texit=%lu\tgdi=%lu\tuser=%lu\thandles=%lu\n", code == STILL_ACTIVE ? 1 : 0, code,
           GetGuiResources(p, GR_GDIOBJECTS), GetGuiResources(p, GR_USEROBJECTS), handles);
    CloseHandle(p);
    return 0;
}

static int cmd_wait_exit(DWORD pid, DWORD ms)
{
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!p) { printf("exited=1\texit=unknown\n"); return 0; }
    DWORD r = WaitForSingleObject(p, ms), code = 0;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
    if (r != WAIT_OBJECT_0) { printf("exited=0\n"); return 1; }
    printf("exited=1\texit=%lu\n", code);
    return 0;
}

static int cmd_procs(void)
{
    PROCESSENTRY32 pe;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 1;
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
        printf("pid=%lu\tparent=%lu\texe=", pe.th32ProcessID, pe.th32ParentProcessID);
        put_text(pe.szExeFile);
        putchar('\n');
    }
    CloseHandle(snap);
    return 0;
}

static void send_key(WORD vk, int up)
{
    INPUT in = {0};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

static WORD vk_of(const char *name)
{
    static const struct { const char *n; WORD vk; } names[] = {
        {"Return", VK_RETURN}, {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Esc", VK_ESCAPE},
        {"Up", VK_UP}, {"Down", VK_DOWN}, {"Left", VK_LEFT}, {"Right", VK_RIGHT},
        {"Tab", VK_TAB}, {"Space", VK_SPACE}, {"BackSpace", VK_BACK}, {"Delete", VK_DELETE},
        {"Home", VK_HOME}, {"End", VK_END}, {"F2", VK_F2}, {"Alt", VK_MENU}, {"Shift", VK_SHIFT},
        {"Control", VK_CONTROL},
    };
    for (size_t i = 0; i < sizeof names / sizeof names[0]; i++)
        if (!lstrcmpiA(name, names[i].n)) return names[i].vk;
    if (strlen(name) == 1) return (WORD)(VkKeyScanA(name[0]) & 0xff);
    return 0;
}

/* key NAME... : each NAME is pressed and released; "a+b" holds a while b is pressed. */
static int cmd_key(int argc, char **argv)
{
    for (int i = 0; i < argc; i++) {
        char buf[64];
        WORD held[4];
        int nh = 0;
        lstrcpynA(buf, argv[i], sizeof buf);
        char *tok = strtok(buf, "+");
        while (tok) {
            WORD vk = vk_of(tok);
            if (!vk) { printf("error=unknown key %s\n", tok); return 2; }
            send_key(vk, 0);
            if (nh < 4) held[nh++] = vk;
            tok = strtok(NULL, "+");
        }
        while (nh > 0) send_key(held[--nh], 1);
        Sleep(30); /* let the receiver's loop take each key in turn */
    }
    printf("ok=1\n");
    return 0;
}

/* type TEXT : Unicode character input, independent of the keyboard layout. */
static int cmd_type(const char *text)
{
    for (const char *p = text; *p; p++) {
        INPUT in[2] = {{0}, {0}};
        WCHAR wc;
        MultiByteToWideChar(CP_ACP, 0, p, 1, &wc, 1);
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = wc;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof in[0]);
        Sleep(20);
    }
    printf("ok=1\n");
    return 0;
}

static int cmd_click(int x, int y, int right)
{
    INPUT in[3] = {{0}, {0}, {0}};
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    for (int i = 0; i < 3; i++) in[i].type = INPUT_MOUSE;
    in[0].mi.dx = (x * 65535 + sw / 2) / (sw - 1);
    in[0].mi.dy = (y * 65535 + sh / 2) / (sh - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof in[0]);
    printf("ok=1\n");
    return 0;
}

static int cmd_foreground(void)
{
    HWND h = GetForegroundWindow();
    if (!h) { printf("hwnd=0x0\n"); return 1; }
    print_window(h);
    return 0;
}

static int dispatch(int argc, char **argv)
{
    const char *c = argv[0];
    if (!strcmp(c, "find")) return cmd_find(argc - 1, argv + 1);
    if (!strcmp(c, "window") && argc == 2) {
        if (!IsWindow(hwnd_arg(argv[1]))) return 1;
        print_window(hwnd_arg(argv[1]));
        return 0;
    }
    if (!strcmp(c, "controls") && argc == 2) return cmd_controls(hwnd_arg(argv[1]));
    if (!strcmp(c, "text") && argc == 2) return cmd_text(hwnd_arg(argv[1]));
    if (!strcmp(c, "item") && argc == 3) { /* the control with this id in a dialog */
        HWND h = GetDlgItem(hwnd_arg(argv[1]), (int)num(argv[2]));
        if (!h) return 1;
        child_cb(h, (LPARAM)GetParent(h));
        return 0;
    }
    if ((!strcmp(c, "post") || !strcmp(c, "send")) && argc == 5) {
        UINT msg = (UINT)num(argv[2]);
        if (!msg) msg = RegisterWindowMessageA(argv[2]); /* a registered message by name */
        return cmd_msg(c[0] == 'p', hwnd_arg(argv[1]), msg, (WPARAM)num(argv[3]), (LPARAM)num(argv[4]));
    }
    if (!strcmp(c, "postthread") && argc == 5) {
        BOOL ok = PostThreadMessageA((DWORD)num(argv[1]), (UINT)num(argv[2]), (WPARAM)num(argv[3]),
                                     (LPARAM)num(argv[4]));
        printf("ok=%d\n", ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    if (!strcmp(c, "broadcast") && argc == 2) { /* broadcast a registered message, e.g. TaskbarCreated */
        UINT msg = RegisterWindowMessageA(argv[1]);
        BOOL ok = PostMessageA(HWND_BROADCAST, msg, 0, 0);
        printf("ok=%d\tmsg=%u\n", ok ? 1 : 0, msg);
        return ok ? 0 : 1;
    }
    if (!strcmp(c, "untray") && argc == 3) { /* remove a program's icon, as a restarting shell loses it */
        NOTIFYICONDATAA data;
        ZeroMemory(&data, sizeof data);
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = hwnd_arg(argv[1]);
        data.uID = (UINT)num(argv[2]);
        BOOL ok = Shell_NotifyIconA(NIM_DELETE, &data);
        printf("ok=%d\n", ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    if (!strcmp(c, "settext") && argc == 3) {
        BOOL ok = (BOOL)SendMessageA(hwnd_arg(argv[1]), WM_SETTEXT, 0, (LPARAM)argv[2]);
        printf("ok=%d\n", ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    if (!strcmp(c, "process") && argc == 2) return cmd_process((DWORD)num(argv[1]));
    if (!strcmp(c, "wait-exit") && argc == 3) return cmd_wait_exit((DWORD)num(argv[1]), (DWORD)num(argv[2]));
    if (!strcmp(c, "procs")) return cmd_procs();
    if (!strcmp(c, "foreground")) return cmd_foreground();
    if (!strcmp(c, "setforeground") && argc == 2) {
        BOOL ok = SetForegroundWindow(hwnd_arg(argv[1]));
        printf("ok=%d\n", ok ? 1 : 0);
        return ok ? 0 : 1;
    }
    if (!strcmp(c, "key")) return cmd_key(argc - 1, argv + 1);
    if (!strcmp(c, "type") && argc == 2) return cmd_type(argv[1]);
    if ((!strcmp(c, "click") || !strcmp(c, "rclick")) && argc == 3)
        return cmd_click((int)num(argv[1]), (int)num(argv[2]), c[0] == 'r');
    if (!strcmp(c, "cursor")) {
        POINT pt;
        GetCursorPos(&pt);
        printf("x=%ld\ty=%ld\n", pt.x, pt.y);
        return 0;
    }
    if (!strcmp(c, "screen")) {
        RECT wa;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &wa, 0);
        printf("width=%d\theight=%d\tworkarea=%ld,%ld,%ld,%ld\tmenuheight=%d\n", GetSystemMetrics(SM_CXSCREEN),
               GetSystemMetrics(SM_CYSCREEN), wa.left, wa.top, wa.right, wa.bottom,
               GetSystemMetrics(SM_CYMENUSIZE));
        return 0;
    }
    if (!strcmp(c, "sleep") && argc == 2) { Sleep((DWORD)num(argv[1])); return 0; }
    fprintf(stderr, "probe: unknown command or arguments: %s\n", c);
    return 2;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fputs("usage: probe find|window|controls|text|item|post|send|postthread|broadcast|settext|\n"
              "       untray|process|wait-exit|procs|foreground|setforeground|key|type|click|rclick|\n"
              "       cursor|screen ...\n", stderr);
        return 2;
    }
    int rc = dispatch(argc - 1, argv + 1);
    fflush(stdout);
    return rc;
}
