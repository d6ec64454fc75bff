#include "app/FolderTrayApp.h"

#include <objbase.h>

#include "bookmarks/BookmarkStore.h"
#include "res/resource.h"

CFolderTrayApp& TheApp() { return *static_cast<CFolderTrayApp*>(AfxGetApp()); }

CFolderTrayApp::~CFolderTrayApp() {
  RemoveTrayIcon();
  m_wndHidden.DestroyWindow();
  m_strCommand.clear();
  m_menuTray.DestroyMenu();
}

BOOL CFolderTrayApp::InitInstance() {
  Enable3dControls();
  // The folder browser and the shell's open need COM on this thread.
  m_bComInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HiddenWindowProc;
  windowClass.hInstance = m_hInstance;
  windowClass.hIcon = ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "DummyClass";
  ::RegisterClassA(&windowClass);  // a failure shows in the next step

  if (!m_wndHidden.CreateEx(0, "DummyClass", "Dummy", 0, 0, 0, 0, 0, nullptr, nullptr)) {
    return FALSE;
  }
  AddTrayIcon(m_wndHidden.m_hWnd, IDR_MAINFRAME, "Pathstow");

  SetRegistryKey("Kelvane");
  m_strCommand = GetProfileString(kCommandSection, kCommandEntry);
  m_nTree = GetProfileInt(kCommandSection, kTreeEntry, 1);

  m_wndHidden.RunModalLoop(0);
  return FALSE;
}

int CFolderTrayApp::ExitInstance() {
  RemoveTrayIcon();
  m_wndHidden.DestroyWindow();
  m_menuTray.DestroyMenu();
  if (m_bComInitialized) ::CoUninitialize();
  m_bComInitialized = false;
  return CTrayApp::ExitInstance();
}

void CFolderTrayApp::CloseAll() { CWnd::EndThreadModalLoops(IDCANCEL); }

int CFolderTrayApp::LoadBookmarkCount() const { return ::LoadBookmarkCount(*this); }

BOOL CFolderTrayApp::LoadBookmark(int index, std::string& name, std::string& path) const {
  return ::LoadBookmark(*this, index, name, path) ? TRUE : FALSE;
}
