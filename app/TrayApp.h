// An application object that owns one icon in the taskbar's notification area.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "framework/Handle.h"
#include "framework/WinApp.h"

// The callback message the shell sends to the icon's owner window.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 101;

class CTrayApp : public CWinApp {
 public:
  CTrayApp() = default;
  ~CTrayApp() override;

  // Adds the icon and sets its version; a refusal of the add is reported in an
  // error box. The state is stored either way, so removal is still attempted at exit.
  void AddTrayIcon(HWND owner, UINT iconId, LPCSTR tooltip);
  // Removes the icon if one was added; safe to call any number of times.
  void RemoveTrayIcon();
  // Adds the stored icon again after the taskbar was re-created, and sets its
  // version anew. Shows no box: the icon may well still be there.
  void RestoreTrayIcon();
  // The icon's rectangle on the screen, where the shell tells it.
  bool GetTrayIconRect(RECT& rect) const;

  UINT GetTrayIconId() const { return m_nIconId; }
  bool HasTrayIcon() const { return static_cast<bool>(m_icon); }

 private:
  NOTIFYICONDATAA MakeIconData(UINT flags) const;
  void SetTrayIconVersion() const;

  // The icon shown, loaded at the small size; the shell draws from a copy.
  CHandleOwner<IconTraits> m_icon;
  HWND m_hOwner = nullptr;
  UINT m_nIconId = 0;
  char m_szTip[64] = {};
};
