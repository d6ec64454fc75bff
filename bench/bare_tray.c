/* The floor for start-up: the least a Win32 program does to show a
   notification-area icon. Registers a class, creates a window, adds icon 128
   and waits until it is closed. */
#include <windows.h>
#include <shellapi.h>

#define BARE_ICON_ID 128
#define BARE_CALLBACK (WM_USER + 101)

static LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  WNDCLASSA windowClass;
  NOTIFYICONDATAA data;
  HWND window;
  MSG msg;
  (void)previous;
  (void)commandLine;
  (void)show;

  ZeroMemory(&windowClass, sizeof(windowClass));
  windowClass.lpfnWndProc = BareWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "BareTrayClass";
  if (!RegisterClassA(&windowClass)) return 1;
  window = CreateWindowExA(0, "BareTrayClass", "Bare", 0, 0, 0, 0, 0, NULL, NULL, instance, NULL);
  if (!window) return 1;

  ZeroMemory(&data, sizeof(data));
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window;
  data.uID = BARE_ICON_ID;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = BARE_CALLBACK;
  data.hIcon = LoadIconA(NULL, MAKEINTRESOURCEA(32512)); /* IDI_APPLICATION */
  lstrcpynA(data.szTip, "Bare", sizeof(data.szTip));
  if (!Shell_NotifyIconA(NIM_ADD, &data)) return 1;

  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Shell_NotifyIconA(NIM_DELETE, &data);
  return 0;
}
