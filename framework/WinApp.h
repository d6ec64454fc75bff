// The application object, its profile settings in the registry, and the
// program-wide services that go with it: resources, wait cursor, message box.
#pragma once
#include <windows.h>

#include <string>

#include "framework/RegKey.h"

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  HINSTANCE m_hInstance = nullptr;
  std::string m_strAppName;      // the program file's base name
  std::string m_strRegistryKey;  // company key; empty until SetRegistryKey

  // Per-instance start-up. A program without a main window runs its own loop
  // in it; ExitInstance follows whatever it answers.
  virtual BOOL InitInstance() { return FALSE; }
  virtual int ExitInstance() { return 0; }

  // Settings live under HKCU\software\<company>\<application>\<section>.
  void SetRegistryKey(LPCSTR company) { m_strRegistryKey = company; }
  int GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const;
  std::string GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue = "") const;
  bool WriteProfileInt(LPCSTR section, LPCSTR entry, int value) const;
  // The section's key, opened with `access` and created (with its parents)
  // when missing. Reads ask for KEY_READ only, so that a key the user may
  // read but not write still gives its values.
  CRegKey GetSectionKey(LPCSTR section, REGSAM access = KEY_READ | KEY_WRITE) const;

  // Registers the common controls (tree view, tooltips) for this process.
  void Enable3dControls() const;
  // Counts wait-cursor requests; the hourglass shows while the count is positive.
  void DoWaitCursor(int delta);
  virtual int DoMessageBox(LPCSTR text, UINT type);

  // Sets the application name from the program file's name.
  void SetAppNameFromModule();

 private:
  int m_nWaitCursorCount = 0;
  HCURSOR m_hcurWaitCursorRestore = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The application's message box: captioned with the application name, owned by the active window.
int AfxMessageBox(LPCSTR text, UINT type = MB_OK);
// A string resource of this program in the user's language; empty when missing.
std::string LoadResString(UINT id);
// The base name of a program path: no folder, nothing from the last '.'.
// The path is read character by character in `codePage`, whose trail bytes
// may look like '\' (double-byte code pages).
std::string ModuleBaseName(const std::string& path, UINT codePage = CP_ACP);
// Runs the application object's life: start-up, then the exit step.
int AfxWinMain(HINSTANCE instance);

// Shows the hourglass for the life of the object, also when left by an exception.
class CWaitCursor {
 public:
  CWaitCursor() { AfxGetApp()->DoWaitCursor(1); }
  ~CWaitCursor() { AfxGetApp()->DoWaitCursor(-1); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
};
