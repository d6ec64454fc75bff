#include "framework/WinApp.h"

#include <commctrl.h>

#include <vector>

#include "framework/Text.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
  g_app = this;
  m_hInstance = ::GetModuleHandleA(nullptr);
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

HINSTANCE AfxGetInstanceHandle() {
  return g_app && g_app->m_hInstance ? g_app->m_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

void CWinApp::Enable3dControls() const {
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TREEVIEW_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&init);
}

void CWinApp::DoWaitCursor(int delta) {
  m_nWaitCursorCount += delta;
  if (m_nWaitCursorCount > 0) {
    HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (delta > 0 && m_nWaitCursorCount == 1) m_hcurWaitCursorRestore = previous;
  } else {
    m_nWaitCursorCount = 0;
    ::SetCursor(m_hcurWaitCursorRestore);
  }
}

int CWinApp::DoMessageBox(LPCSTR text, UINT type) {
  HWND owner = ::GetActiveWindow();
  return ::MessageBoxA(owner, text, m_strAppName.c_str(), type);
}

int AfxMessageBox(LPCSTR text, UINT type) {
  if (CWinApp* app = AfxGetApp()) return app->DoMessageBox(text, type);
  return ::MessageBoxA(::GetActiveWindow(), text, nullptr, type);
}

std::string LoadResString(UINT id) {
  std::vector<char> buffer(256);
  for (;;) {
    const int length =
        ::LoadStringA(AfxGetResourceHandle(), id, buffer.data(), static_cast<int>(buffer.size()));
    if (length <= 0) return std::string();
    if (static_cast<size_t>(length) < buffer.size() - 1) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // the text may have been cut: try a bigger buffer
  }
}

std::string ModuleBaseName(const std::string& path, UINT codePage) {
  // Character by character: in a double-byte code page the second byte of a
  // character can be 0x5C, which only looks like a backslash.
  const char* text = path.c_str();
  const char* name = text;
  const char* dot = nullptr;
  for (const char* p = text; *p; p = NextChar(p, codePage)) {
    if (*p == '\\' || *p == '/' || *p == ':') {
      name = p + 1;
      dot = nullptr;
    } else if (*p == '.') {
      dot = p;
    }
  }
  return std::string(name, dot ? dot : text + path.size());
}

void CWinApp::SetAppNameFromModule() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(m_hInstance, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      m_strAppName = ModuleBaseName(std::string(path.data(), length));
      return;
    }
    path.resize(path.size() * 2);
  }
}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  app->m_hInstance = instance;
  app->SetAppNameFromModule();
  app->InitInstance();
  return app->ExitInstance();
}
