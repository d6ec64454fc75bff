#include "about/LinkStatic.h"

#include <windowsx.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "about/LinkMath.h"
#include "framework/RegKey.h"
#include "framework/ShellServices.h"
#include "framework/Text.h"
#include "framework/WinApp.h"

namespace {
constexpr UINT_PTR kLinkToolId = 1;
constexpr int kHandCursorId = 106;
constexpr UINT kRedrawFlags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
}  // namespace

CLinkStatic::CLinkStatic()
    : m_clrLink(RGB(0, 0, 238)),
      m_clrVisited(RGB(85, 26, 139)),
      m_clrHover(::GetSysColor(COLOR_BTNHIGHLIGHT)),
      m_bHovering(FALSE),
      m_bFollowed(FALSE),
      m_hHandCursor(nullptr) {}

CLinkStatic::~CLinkStatic() = default;

const MessageMap* CLinkStatic::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnReflected(WM_CTLCOLORSTATIC, 0, &CLinkStatic::OnCtlColor),
      OnMessage(WM_SETCURSOR, &CLinkStatic::OnSetCursor),
      OnMessage(WM_MOUSEMOVE, &CLinkStatic::OnMouseMove),
      OnReflected(WM_COMMAND, STN_CLICKED, &CLinkStatic::OnClicked),
      OnMessage(WM_KILLFOCUS, &CLinkStatic::OnKillFocus),
  };
  static const MessageMap map{CStatic::GetMessageMap(), std::begin(entries), std::end(entries)};
  return &map;
}

void CLinkStatic::PreSubclassWindow() {
  // Without SS_NOTIFY a static control sends no click notification.
  ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | SS_NOTIFY));

  if (m_strTarget.empty()) m_strTarget = GetWindowText();
  if (GetWindowText().empty()) SetWindowText(m_strTarget);

  // A static control without a font of its own draws with the system font.
  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  if (!font) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
  LOGFONTA logFont{};
  if (::GetObjectA(font, sizeof(logFont), &logFont) == sizeof(logFont)) {
    logFont.lfUnderline = TRUE;
    if (m_fontLink.CreateFontIndirect(&logFont)) {
      SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLink.Get()), TRUE);
    }
  }

  FitToText();
  LoadHandCursor();

  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  if (m_tipCtrl.Create(this)) m_tipCtrl.AddTool(this, m_strTarget.c_str(), &client, kLinkToolId);

  CStatic::PreSubclassWindow();
}

BOOL CLinkStatic::PreTranslateMessage(MSG* msg) {
  if (m_tipCtrl.m_hWnd) m_tipCtrl.RelayEvent(msg);
  return CStatic::PreTranslateMessage(msg);
}

bool CLinkStatic::OnCtlColor(Message& msg) {
  HDC dc = reinterpret_cast<HDC>(msg.wParam);
  ::SetTextColor(dc, ChooseLinkColor(m_bHovering != FALSE, m_bFollowed != FALSE, m_clrLink,
                                     m_clrVisited, m_clrHover));
  ::SetBkMode(dc, TRANSPARENT);
  // The dialog's own background shows through.
  msg.result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  return true;
}

bool CLinkStatic::OnSetCursor(Message& msg) {
  if (m_hHandCursor) {
    ::SetCursor(m_hHandCursor);
    msg.result = TRUE;
  } else {
    msg.result = FALSE;
  }
  return true;
}

bool CLinkStatic::OnMouseMove(Message& msg) {
  msg.result = Default();
  if (m_bHovering) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const POINT point{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    if (!::PtInRect(&client, point)) {
      m_bHovering = FALSE;
      ::ReleaseCapture();
      ::RedrawWindow(m_hWnd, nullptr, nullptr, kRedrawFlags);
    }
  } else {
    // Captured, the control also sees the first movement that leaves it.
    m_bHovering = TRUE;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, kRedrawFlags);
    ::SetCapture(m_hWnd);
  }
  return true;
}

bool CLinkStatic::OnKillFocus(Message& msg) {
  msg.result = Default();
  m_bHovering = FALSE;
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return true;
}

bool CLinkStatic::OnClicked(Message& msg) {
  m_bHovering = FALSE;
  const int result = ShellOpenUrl(m_strTarget.c_str(), SW_SHOW);
  m_bFollowed = result > 32;
  if (m_bFollowed) {
    SetFollowed(TRUE);
  } else {
    // The caption still shows the hover colour, which all but hides it on
    // the dialog: paint it again in the colour that now applies.
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::MessageBeep(MB_ICONEXCLAMATION);
    ShowOpenError(result);
  }
  msg.result = 0;
  return true;
}

void CLinkStatic::SetTarget(LPCSTR url) {
  m_strTarget = url ? url : "";
  if (::IsWindow(m_hWnd)) {
    FitToText();
    if (m_tipCtrl.m_hWnd) m_tipCtrl.UpdateTipText(m_strTarget.c_str(), this, kLinkToolId);
  }
}

void CLinkStatic::SetFollowed(BOOL followed) {
  m_bFollowed = followed;
  if (::IsWindow(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CLinkStatic::ShellOpenUrl(LPCSTR url, int showCommand) {
  const INT_PTR shellResult = reinterpret_cast<INT_PTR>(
      TheShell().Execute(nullptr, L"open", Widen(url).data(), nullptr, nullptr, showCommand));
  if (static_cast<UINT_PTR>(shellResult) > 32) return static_cast<int>(shellResult);

  // The shell could not: try the program registered for web pages.
  std::string pageClass, registered;
  if (ReadKeyDefault(HKEY_CLASSES_ROOT, ".htm", pageClass) != ERROR_SUCCESS ||
      ReadKeyDefault(HKEY_CLASSES_ROOT, (pageClass + "\\shell\\open\\command").c_str(),
                     registered) != ERROR_SUCCESS) {
    return static_cast<int>(shellResult);
  }
  // Room for the whole command, a blank, the URL and the terminator: a cut
  // command line could start anything.
  std::vector<char> command(registered.size() + 1 + std::strlen(url) + 1, '\0');
  std::memcpy(command.data(), registered.c_str(), registered.size());
  if (!BuildFallbackCommand(command.data(), command.size(), url)) {
    return static_cast<int>(shellResult);
  }
  return static_cast<int>(::WinExec(command.data(), static_cast<UINT>(showCommand)));
}

LONG CLinkStatic::ReadKeyDefault(HKEY root, LPCSTR subKey, std::string& out) {
  CRegKey key;
  const LONG opened = key.Open(root, subKey, KEY_QUERY_VALUE);
  if (opened != ERROR_SUCCESS) return opened;
  // Sized from the value's own length: a path in UTF-8 may be long.
  LONG size = 0;
  LONG read = ::RegQueryValueA(key.Get(), nullptr, nullptr, &size);
  if (read != ERROR_SUCCESS) return read;
  std::vector<char> value(static_cast<size_t>(size) + 1, '\0');
  read = ::RegQueryValueA(key.Get(), nullptr, value.data(), &size);
  // An unreadable value is no command to run.
  if (read != ERROR_SUCCESS) return read;
  out = value.data();
  return ERROR_SUCCESS;
}

void CLinkStatic::FitToText() {
  if (!::IsWindow(m_hWnd)) return;

  RECT rect{};
  ::GetWindowRect(m_hWnd, &rect);
  if (HWND parent = ::GetParent(m_hWnd)) {
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  }

  // Measured as UTF-16: GDI's ANSI calls read text in the font's code page,
  // not in the program's (UTF-8).
  const WideText caption = WindowTextWide(m_hWnd);
  SIZE extent{};
  HDC dc = ::GetDC(m_hWnd);
  if (!dc) return;
  HFONT font =
      m_fontLink.Get() ? m_fontLink.Get() : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  HGDIOBJ previous = font ? ::SelectObject(dc, font) : nullptr;
  ::GetTextExtentPoint32W(dc, caption.data(), static_cast<int>(caption.size() - 1), &extent);
  if (previous) ::SelectObject(dc, previous);
  ::ReleaseDC(m_hWnd, dc);

  const RECT fitted = FitRectToText(rect, extent, GetStyle());
  ::SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                 fitted.bottom - fitted.top, SWP_NOZORDER);
}

void CLinkStatic::LoadHandCursor() {
  if (m_hHandCursor) return;

  const std::string windows = WindowsDirectory();
  if (!windows.empty()) {
    if (HMODULE module = ::LoadLibraryA((windows + "\\winhlp32.exe").c_str())) {
      if (HCURSOR cursor = ::LoadCursorA(module, MAKEINTRESOURCEA(kHandCursorId))) {
        // The copy outlives the module.
        m_handCursorCopy.Reset(static_cast<HCURSOR>(::CopyIcon(cursor)));
        m_hHandCursor = m_handCursorCopy.Get();
      }
      ::FreeLibrary(module);
    }
  }
  // Systems without that cursor (Wine has none) have a hand of their own.
  if (!m_hHandCursor) m_hHandCursor = ::LoadCursorA(nullptr, IDC_HAND);
}

void CLinkStatic::ShowOpenError(int code) {
  AfxMessageBox(OpenErrorMessage(code).c_str(), MB_ICONEXCLAMATION);
}
