// The parts of the hyperlink control that need no window: colour choice,
// fitting geometry, the fallback command line and the error texts.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

// Hovering wins over followed; otherwise the plain link colour.
COLORREF ChooseLinkColor(bool hovering, bool followed, COLORREF link, COLORREF visited,
                         COLORREF hover);

// The window rectangle that fits a text of extent `text`, from the current
// rectangle and the static control's alignment style. Centring keeps the
// centre (odd differences end one pixel off, as integer halves do); left and
// right alignment keep the matching edge; the top stays unless centred.
RECT FitRectToText(const RECT& rect, SIZE text, DWORD style);

// Turns the registered open command held in `command` (a buffer of `size`
// bytes) into the command line for `url`: the first quoted "%1", or else the
// first bare %1, and all after it are dropped, then a blank and the URL are
// appended. Answers false, leaving the buffer unchanged, when the result would
// not fit, so that no cut command line is ever run.
bool BuildFallbackCommand(char* command, size_t size, const char* url);

// The string resource that explains a shell or WinExec result code.
UINT OpenErrorStringId(int code);
// The whole message of the error box for a failed open.
std::string OpenErrorMessage(int code);
