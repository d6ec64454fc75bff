#include "framework/Dialog.h"

#include "framework/WinApp.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND box = dx->m_pDlgWnd->GetDlgItem(id);
  if (dx->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageA(box, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageA(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}

INT_PTR DialogResult(HWND dialog, UINT message, bool handled, LRESULT result) {
  if (!handled) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

INT_PTR CDialog::DoModal() {
  // Without a parent the owner is the program's active window, which stays
  // disabled while this dialog runs. An invisible window (the one a tray
  // menu makes active) is no owner: the dialog would lose its taskbar button
  // and hand the activation to nothing when it closes.
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : ::GetActiveWindow();
  while (owner && (::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);
  if (owner && !::IsWindowVisible(owner)) owner = nullptr;
  const bool enableOwner = owner && ::IsWindowEnabled(owner);
  if (enableOwner) ::EnableWindow(owner, FALSE);

  INT_PTR result = -1;
  if (::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_templateId), owner,
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this))) {
    result = RunModalLoop(MLF_SHOWONIDLE);
  }
  // Re-enable the owner before the dialog goes, and give it the activation back.
  if (enableOwner) ::EnableWindow(owner, TRUE);
  if (owner) ::SetActiveWindow(owner);
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  return result;
}

void CDialog::EndDialog(int result) {
  EndModalLoop(result);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx{this, saveAndValidate != FALSE};
  DoDataExchange(&dx);
  return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg) { return ::IsDialogMessageW(m_hWnd, msg); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::HandleOK(Message&) {
  OnOK();
  return true;
}

bool CDialog::HandleCancel(Message&) {
  OnCancel();
  return true;
}

const MessageMap* CDialog::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnCommand(IDOK, BN_CLICKED, &CDialog::HandleOK),
      OnCommand(IDCANCEL, BN_CLICKED, &CDialog::HandleCancel),
  };
  static const MessageMap map{CWnd::GetMessageMap(), std::begin(entries), std::end(entries)};
  return &map;
}

// The dialog manager's own procedure does the default processing after
// DialogProc answers FALSE; nothing is to be called from here.
LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Attach(hWnd);
  } else {
    dialog = static_cast<CDialog*>(FromHandlePermanent(hWnd));
  }
  if (!dialog) return FALSE;

  Message msg{message, wParam, lParam};
  bool handled = false;
  try {
    if (message == WM_INITDIALOG) {
      msg.result = dialog->OnInitDialog();
      handled = true;
    } else {
      handled = dialog->OnWndMsg(msg);
    }
  } catch (...) {
    // No exception may cross the dialog manager.
  }
  if (message == WM_NCDESTROY) {
    dialog->OnNcDestroy();
    dialog->Detach();
    dialog->PostNcDestroy();
  }
  return DialogResult(hWnd, message, handled, msg.result);
}
