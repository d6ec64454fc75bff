#include "framework/ShellServices.h"

namespace {
ShellServices g_realShell;
ShellServices* g_shell = &g_realShell;
}  // namespace

ShellServices& TheShell() { return *g_shell; }

ShellServices* SetShellServices(ShellServices* services) {
  ShellServices* previous = g_shell;
  g_shell = services ? services : &g_realShell;
  return previous;
}

BOOL ShellServices::NotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
  return ::Shell_NotifyIconA(message, data);
}

HRESULT ShellServices::NotifyIconGetRect(const NOTIFYICONIDENTIFIER* icon, RECT* rect) {
  // Looked up rather than imported, so that the program still starts on a
  // system without it; shell32 is loaded, the program imports it.
  using GetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
  static const GetRect getRect = reinterpret_cast<GetRect>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("shell32.dll"), "Shell_NotifyIconGetRect")));
  return getRect ? getRect(icon, rect) : E_NOTIMPL;
}

UINT_PTR ShellServices::AppBarMessage(DWORD message, APPBARDATA* data) {
  return ::SHAppBarMessage(message, data);
}

HINSTANCE ShellServices::Execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                 LPCSTR directory, INT showCommand) {
  return ::ShellExecuteA(owner, verb, file, parameters, directory, showCommand);
}

HRESULT ShellServices::GetMalloc(IMalloc** malloc) { return ::SHGetMalloc(malloc); }

PIDLIST_ABSOLUTE ShellServices::BrowseForFolder(BROWSEINFOA* info) {
  return ::SHBrowseForFolderA(info);
}

BOOL ShellServices::GetPathFromIDList(PCIDLIST_ABSOLUTE list, LPSTR path) {
  return ::SHGetPathFromIDListA(list, path);
}
