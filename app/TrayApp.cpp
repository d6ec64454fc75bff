#include "app/TrayApp.h"

#include <cstring>

#include "framework/ShellServices.h"
#include "res/resource.h"

#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the first form of the icon record is 88 bytes");
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "the second form of the icon record is 488 bytes");
#endif

namespace {
// Owned by the icon's window, the program's window at start and exit.
void ShowError(HWND owner, UINT textId) {
  ::MessageBoxA(::IsWindow(owner) ? owner : nullptr, LoadResString(textId).c_str(),
                LoadResString(IDS_ERROR).c_str(), MB_ICONHAND);
}
}  // namespace

CTrayApp::~CTrayApp() { RemoveTrayIcon(); }

NOTIFYICONDATAA CTrayApp::MakeIconData(UINT flags) const {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = m_hOwner;
  data.uID = m_nIconId;
  data.uFlags = flags;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  data.hIcon = m_icon.Get();
  if (flags & NIF_TIP) std::memcpy(data.szTip, m_szTip, sizeof(data.szTip));
  return data;
}

void CTrayApp::AddTrayIcon(HWND owner, UINT iconId, LPCSTR tooltip) {
  // The notification area shows the system's small icon size (16 pixels at
  // 100 % scale, 24 at 150 %): the image drawn for it, not the large one
  // scaled down. Not shared, so ours until RemoveTrayIcon destroys it.
  m_icon.Reset(static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(iconId),
                                               IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  m_hOwner = owner;
  m_nIconId = iconId;
  lstrcpynA(m_szTip, tooltip, sizeof(m_szTip));  // the field holds 63 characters and a zero
  NOTIFYICONDATAA data = MakeIconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  if (TheShell().NotifyIcon(NIM_ADD, &data)) {
    SetTrayIconVersion();
  } else {
    ShowError(m_hOwner, IDS_CANNOT_ADD_ICON);
  }
}

// Version 3 keeps the callback as it was (icon id, mouse message) and adds
// NIN_KEYSELECT for Enter or Space on the icon, which the first version
// reports as a right click. The shell forgets it with the icon, so every add
// sets it. A shell that refuses it goes on with the first version.
void CTrayApp::SetTrayIconVersion() const {
  NOTIFYICONDATAA data = MakeIconData(0);
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;  // the first form that holds uVersion
  data.uVersion = NOTIFYICON_VERSION;
  TheShell().NotifyIcon(NIM_SETVERSION, &data);
}

bool CTrayApp::GetTrayIconRect(RECT& rect) const {
  if (!m_icon) return false;
  NOTIFYICONIDENTIFIER icon{};
  icon.cbSize = sizeof(icon);
  icon.hWnd = m_hOwner;
  icon.uID = m_nIconId;
  return SUCCEEDED(TheShell().NotifyIconGetRect(&icon, &rect));
}

void CTrayApp::RemoveTrayIcon() {
  if (m_icon) {
    NOTIFYICONDATAA data = MakeIconData(NIF_MESSAGE | NIF_ICON);
    if (!TheShell().NotifyIcon(NIM_DELETE, &data)) ShowError(m_hOwner, IDS_CANNOT_REMOVE_ICON);
  }
  m_icon.Reset();
}

void CTrayApp::RestoreTrayIcon() {
  if (!m_icon) return;
  NOTIFYICONDATAA data = MakeIconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  // A shell that still shows the icon refuses a second add; then refresh it.
  if (TheShell().NotifyIcon(NIM_ADD, &data) || TheShell().NotifyIcon(NIM_MODIFY, &data)) {
    SetTrayIconVersion();
  }
}
