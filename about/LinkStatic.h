// A static text control of a dialog made into a hyperlink: link colours, an
// underlined font, a hand cursor, a tooltip with the target, and a click that
// opens the target through the shell.
#pragma once
#include <windows.h>

#include <string>

#include "framework/Controls.h"
#include "framework/Gdi.h"

class CLinkStatic : public CStatic {
 public:
  CLinkStatic();
  // Out of line: one copy of the members' tear-down in the program.
  ~CLinkStatic() override;

  // Stores the URL; once the window exists also refits it and retitles the tooltip.
  void SetTarget(LPCSTR url);
  // Stores the flag; once the window exists also repaints the caption.
  void SetFollowed(BOOL followed);
  // The shell's result, or the ".htm" command's when the shell cannot open
  // the URL; above 32 on success.
  int ShellOpenUrl(LPCSTR url, int showCommand);
  // The error box that explains why a link could not be opened.
  void ShowOpenError(int code);
  // Sizes the window to its caption's extent, keeping the edges its alignment names.
  void FitToText();
  void LoadHandCursor();
  // Reads the default value of `root\subKey`, whatever its length, into `out`
  // (untouched on failure; `subKey` may be its text). Answers ERROR_SUCCESS or
  // the failing call's error.
  static LONG ReadKeyDefault(HKEY root, LPCSTR subKey, std::string& out);

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  const MessageMap* GetMessageMap() const override;
  void PreSubclassWindow() override;

  COLORREF m_clrLink;
  COLORREF m_clrVisited;
  COLORREF m_clrHover;
  BOOL m_bHovering;
  BOOL m_bFollowed;
  std::string m_strTarget;
  CFont m_fontLink;
  // The cursor shown over the link: the system's shared hand (borrowed), or
  // the copy of winhlp32's that m_handCursorCopy owns.
  HCURSOR m_hHandCursor;
  CHandleOwner<CursorTraits> m_handCursorCopy;
  CToolTipCtrl m_tipCtrl;

 private:
  bool OnCtlColor(Message& msg);
  bool OnSetCursor(Message& msg);
  bool OnMouseMove(Message& msg);
  bool OnClicked(Message& msg);
  bool OnKillFocus(Message& msg);
};
