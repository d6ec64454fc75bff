// Every call the program makes into the Windows shell goes through here, so
// that tests can see what each call received and answer in its place.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

class ShellServices {
 public:
  virtual ~ShellServices() = default;
  virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data);
  // Shell_NotifyIconGetRect where shell32 has it (Windows 7 on), E_NOTIMPL elsewhere.
  virtual HRESULT NotifyIconGetRect(const NOTIFYICONIDENTIFIER* icon, RECT* rect);
  virtual UINT_PTR AppBarMessage(DWORD message, APPBARDATA* data);
  // The wide calls where a folder or a URL passes: they carry any name,
  // whatever the ANSI code page holds.
  virtual HINSTANCE Execute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                            LPCWSTR directory, INT showCommand);
  virtual HRESULT GetMalloc(IMalloc** malloc);
  virtual PIDLIST_ABSOLUTE BrowseForFolder(BROWSEINFOW* info);
  // The folder's file-system path, of any length, in UTF-8; empty when it has none.
  virtual std::string GetPathFromIDList(PCIDLIST_ABSOLUTE list);
};

// The services in use: the real shell unless a test has put its own in place.
ShellServices& TheShell();
// Puts `services` in place of the real shell (null restores it); returns the previous one.
ShellServices* SetShellServices(ShellServices* services);
