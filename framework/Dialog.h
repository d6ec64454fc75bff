// Modal dialogs from dialog templates, with data exchange between controls and members.
#pragma once
#include "framework/Wnd.h"

class CDialog;

// Direction and target of one data exchange.
struct CDataExchange {
  CDialog* m_pDlgWnd;
  bool m_bSaveAndValidate;  // true: controls to members
};

// Binds `control` to the dialog's control `id` the first time it runs.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Exchanges a check box state: 1 checked, 0 cleared (2 indeterminate).
void DDX_Check(CDataExchange* dx, int id, int& value);

// The value a dialog procedure returns for a handled message: most messages
// answer through DWLP_MSGRESULT, a few return their answer directly.
INT_PTR DialogResult(HWND dialog, UINT message, bool handled, LRESULT result);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr)
      : m_templateId(templateId), m_pParentWnd(parent) {}

  // Creates the dialog, disables its owner and runs it until EndDialog.
  virtual INT_PTR DoModal();
  // Ends the modal run and hides the dialog at once: a dialog opened inside
  // this one's loop may keep the loop from returning for a while.
  void EndDialog(int result);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  const MessageMap* GetMessageMap() const override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool HandleOK(Message&);
  bool HandleCancel(Message&);
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  CWnd* m_pParentWnd;
};
