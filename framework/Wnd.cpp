#include "framework/Wnd.h"

#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// The one map from window handles to their objects. It is never destroyed:
// window objects with static storage (the application's) detach from it
// while static destruction runs, in no order relative to a static map.
std::unordered_map<HWND, CWnd*>& HandleMap() {
  static auto* map = new std::unordered_map<HWND, CWnd*>;
  return *map;
}

// Windows live on the program's one user-interface thread, and so does all
// the state below.

// The window objects whose modal loops run, innermost last.
std::vector<CWnd*>& ModalLoops() {
  static std::vector<CWnd*> loops;
  return loops;
}

// The object whose window CreateEx is creating: attached at
// the window's first message when its class is one of ours.
CWnd* g_creating = nullptr;

// Asks a dialog of the system's (a message box, a common dialog) to end as
// if cancelled; the framework's own windows end through their loops.
BOOL CALLBACK CancelSystemDialog(HWND hWnd, LPARAM) {
  char className[16] = {};
  ::GetClassNameA(hWnd, className, sizeof(className));
  if (lstrcmpA(className, "#32770") == 0 && !CWnd::FromHandlePermanent(hWnd)) {
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  return TRUE;
}

// The child window that a parent's message is about, if the message is one
// that is reflected.
HWND ReflectionSource(const Message& msg) {
  switch (msg.message) {
    case WM_COMMAND:
      return reinterpret_cast<HWND>(msg.lParam);
    case WM_NOTIFY:
      return msg.lParam ? reinterpret_cast<const NMHDR*>(msg.lParam)->hwndFrom : nullptr;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(msg.lParam);
    default:
      return nullptr;
  }
}

bool Matches(const MessageMapEntry& entry, const Message& msg, bool reflected) {
  const UINT message = reflected ? (kReflected | msg.message) : msg.message;
  if (entry.message != message) return false;
  auto inRange = [&entry](UINT_PTR id) { return entry.id <= id && id <= entry.lastId; };
  if (msg.message == WM_COMMAND) {
    return entry.code == HIWORD(msg.wParam) && (reflected || inRange(LOWORD(msg.wParam)));
  }
  if (msg.message == WM_NOTIFY) {
    const auto* hdr = reinterpret_cast<const NMHDR*>(msg.lParam);
    return entry.code == hdr->code && (reflected || inRange(hdr->idFrom));
  }
  return true;
}

}  // namespace

CWnd::~CWnd() {
  if (m_hWnd) {
    // Unhook first so that no message reaches this half-destroyed object.
    HWND hWnd = m_hWnd;
    if (m_pfnSuper) UnsubclassWindow();
    Detach();
    ::DestroyWindow(hWnd);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  auto it = HandleMap().find(hWnd);
  return it == HandleMap().end() ? nullptr : it->second;
}

void CWnd::Attach(HWND hWnd) {
  m_hWnd = hWnd;
  HandleMap()[hWnd] = this;
}

void CWnd::Detach() {
  if (!m_hWnd) return;
  auto it = HandleMap().find(m_hWnd);
  if (it != HandleMap().end() && it->second == this) HandleMap().erase(it);
  m_hWnd = nullptr;
}

BOOL CWnd::RegisterClass(WNDCLASSA windowClass) {
  windowClass.lpfnWndProc = &CWnd::WndProc;
  return ::RegisterClassA(&windowClass) != 0;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, void* param) {
  CWnd* const outer = std::exchange(g_creating, this);
  HWND hWnd = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent,
                                menu, ::GetModuleHandleA(nullptr), param);
  g_creating = outer;
  if (!hWnd) return FALSE;
  if (m_hWnd == hWnd) return TRUE;  // a class of ours: attached at its first message
  if (!SubclassWindow(hWnd)) {
    ::DestroyWindow(hWnd);
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
  Attach(hWnd);
  PreSubclassWindow();
  // Hooked in as a Unicode procedure, which makes the window a Unicode
  // window: a character typed into a control reaches it whole, whatever the
  // ANSI code page holds. The handlers take no text from their messages.
  m_pfnSuper = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WndProc)));
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
  HWND hWnd = m_hWnd;
  if (!hWnd) return nullptr;
  // Only unhook when no one has subclassed the window after us.
  if (m_pfnSuper &&
      ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::WndProc)) {
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  }
  m_pfnSuper = nullptr;
  Detach();
  return hWnd;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

std::string CWnd::GetWindowText() const {
  const int length = ::GetWindowTextLengthA(m_hWnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = ::GetWindowTextA(m_hWnd, &text[0], length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

int CWnd::RunModalLoop(DWORD flags) {
  bool showOnIdle = (flags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
  m_continueModal = true;
  m_modalResult = -1;
  ModalLoops().push_back(this);
  struct Unregister {
    CWnd* wnd;
    ~Unregister() {
      auto& loops = ModalLoops();
      for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
        if (*it == wnd) {
          loops.erase(std::next(it).base());
          break;
        }
      }
    }
  } unregister{this};
  while (m_continueModal) {
    MSG msg;
    if (showOnIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
      ::UpdateWindow(m_hWnd);
      showOnIdle = false;
    }
    // The Unicode calls: a typed character that the ANSI code page cannot
    // hold in one message (UTF-8 takes up to four bytes) reaches the
    // control whole; windows of ANSI procedures get their messages converted.
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // Leave WM_QUIT for the loops outside this one.
      ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
      m_continueModal = false;
      return -1;
    }
    if (!WalkPreTranslateTree(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return m_modalResult;
}

void CWnd::EndModalLoop(int result) {
  m_modalResult = result;
  if (m_continueModal) {
    m_continueModal = false;
    PostMessage(WM_NULL);  // wake a loop that waits in GetMessage
  }
}

void CWnd::OnNcDestroy() {
  if (!m_continueModal) return;
  m_continueModal = false;
  // A message to the window would go with it: wake the loop through the thread.
  ::PostThreadMessageA(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

void CWnd::EndThreadModalLoops(int result) {
  ::EndMenu();
  ::EnumThreadWindows(::GetCurrentThreadId(), CancelSystemDialog, 0);
  const std::vector<CWnd*> loops = ModalLoops();
  for (auto it = loops.rbegin(); it != loops.rend(); ++it) (*it)->EndModalLoop(result);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* msg) {
  for (HWND hWnd = msg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
    if (CWnd* wnd = FromHandlePermanent(hWnd)) {
      if (wnd->PreTranslateMessage(msg)) return TRUE;
    }
    if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD)) break;  // stop at the top-level window
  }
  return FALSE;
}

const MessageMap* CWnd::GetMessageMap() const {
  static const MessageMap map{nullptr, nullptr, nullptr};
  return &map;
}

bool CWnd::DispatchToMap(Message& msg, bool reflected) {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (const MessageMapEntry* entry = map->begin; entry != map->end; ++entry) {
      if (Matches(*entry, msg, reflected) && (this->*entry->handler)(msg)) return true;
    }
  }
  return false;
}

bool CWnd::OnChildNotify(Message& msg) { return DispatchToMap(msg, true); }

bool CWnd::OnWndMsg(Message& msg) {
  if (HWND child = ReflectionSource(msg)) {
    CWnd* wnd = FromHandlePermanent(child);
    if (wnd && wnd != this && wnd->OnChildNotify(msg)) return true;
  }
  return DispatchToMap(msg, false);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  Message msg{message, wParam, lParam};
  const Message* outer = m_current;
  m_current = &msg;
  const bool handled = OnWndMsg(msg);
  m_current = outer;
  return handled ? msg.result : DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // A subclassed window's messages come in their Unicode form (see SubclassWindow).
  if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  return m_current ? DefWindowProc(m_current->message, m_current->wParam, m_current->lParam) : 0;
}

LRESULT CALLBACK CWnd::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hWnd);
  if (!wnd && g_creating && !g_creating->m_hWnd) {
    wnd = std::exchange(g_creating, nullptr);
    wnd->Attach(hWnd);
  }
  if (!wnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);
  LRESULT result = 0;
  try {
    result = wnd->WindowProc(message, wParam, lParam);
  } catch (...) {
    // No exception may cross the system's window procedure.
  }
  if (message == WM_NCDESTROY) {
    wnd->OnNcDestroy();
    wnd->UnsubclassWindow();
    wnd->PostNcDestroy();
  }
  return result;
}
