// Every call the program makes into the Windows shell goes through here, so
// that tests can see what each call received and answer in its place.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

class ShellServices {
 public:
  virtual ~ShellServices() = default;
  virtual BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data);
  // Shell_NotifyIconGetRect where shell32 has it (Windows 7 on), E_NOTIMPL elsewhere.
  virtual HRESULT NotifyIconGetRect(const NOTIFYICONIDENTIFIER* icon, RECT* rect);
  virtual UINT_PTR AppBarMessage(DWORD message, APPBARDATA* data);
  virtual HINSTANCE Execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                            LPCSTR directory, INT showCommand);
  virtual HRESULT GetMalloc(IMalloc** malloc);
  virtual PIDLIST_ABSOLUTE BrowseForFolder(BROWSEINFOA* info);
  virtual BOOL GetPathFromIDList(PCIDLIST_ABSOLUTE list, LPSTR path);
};

// The services in use: the real shell unless a test has put its own in place.
ShellServices& TheShell();
// Puts `services` in place of the real shell (null restores it); returns the previous one.
ShellServices* SetShellServices(ShellServices* services);
