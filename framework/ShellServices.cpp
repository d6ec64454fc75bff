#include "framework/ShellServices.h"

#include "framework/Text.h"

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

HINSTANCE ShellServices::Execute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                 LPCWSTR directory, INT showCommand) {
  return ::ShellExecuteW(owner, verb, file, parameters, directory, showCommand);
}

HRESULT ShellServices::GetMalloc(IMalloc** malloc) { return ::SHGetMalloc(malloc); }

PIDLIST_ABSOLUTE ShellServices::BrowseForFolder(BROWSEINFOW* info) {
  return ::SHBrowseForFolderW(info);
}

std::string ShellServices::GetPathFromIDList(PCIDLIST_ABSOLUTE list) {
  // A path may be longer than MAX_PATH: then ask again with room for the longest.
  for (const DWORD size : {DWORD{MAX_PATH}, DWORD{32768}}) {
    WideText path(size, L'\0');
    if (::SHGetPathFromIDListEx(list, path.data(), size, GPFIDL_DEFAULT)) {
      return Narrow(path.data(), CP_UTF8);
    }
  }
  return std::string();
}
