// Runs test code inside a dialog's own modal loop, once the dialog is up.
#pragma once
#include <windows.h>

#include <functional>

// `Base` is a CDialog class; `body` runs from the dialog's modal loop after
// its initialisation (before the loop first shows it: hiding a shown window
// costs seconds under Wine without a window manager), then the dialog ends.
template <class Base>
class RunningDialog : public Base {
 public:
  template <class... Args>
  explicit RunningDialog(std::function<void(RunningDialog&)> body, Args&&... args)
      : Base(std::forward<Args>(args)...), m_body(std::move(body)) {}

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == kRunBody && msg->hwnd == this->m_hWnd) {
      if (m_body) m_body(*this);
      this->EndDialog(IDOK);
      return TRUE;
    }
    return Base::PreTranslateMessage(msg);
  }

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = Base::OnInitDialog();
    this->PostMessage(kRunBody);
    return result;
  }

 private:
  static constexpr UINT kRunBody = WM_APP + 0x3A1;
  std::function<void(RunningDialog&)> m_body;
};
