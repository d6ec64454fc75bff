#include "about/LinkMath.h"

#include <shellapi.h>

#include <cstring>

#include "framework/Text.h"
#include "framework/WinApp.h"
#include "res/resource.h"

COLORREF ChooseLinkColor(bool hovering, bool followed, COLORREF link, COLORREF visited,
                         COLORREF hover) {
  if (hovering) return hover;
  return followed ? visited : link;
}

RECT FitRectToText(const RECT& rect, SIZE text, DWORD style) {
  RECT fitted = rect;
  const LONG height = rect.bottom - rect.top;
  if (style & SS_CENTERIMAGE) {
    ::InflateRect(&fitted, 0, -((height - text.cy) / 2));
  } else {
    fitted.bottom = fitted.top + text.cy;
  }
  const LONG width = rect.right - rect.left;
  if (style & SS_CENTER) {
    ::InflateRect(&fitted, -((width - text.cx) / 2), 0);
  } else if (style & SS_RIGHT) {
    fitted.left = fitted.right - text.cx;
  } else {
    fitted.right = fitted.left + text.cx;
  }
  return fitted;
}

namespace {

// The first "%1" in double quotes, stepping over the characters of the
// active code page (double-byte or UTF-8) so that a trail byte is never
// taken for a quote.
char* FindQuotedPlaceholder(char* text) {
  for (char* p = text; *p; p = const_cast<char*>(NextChar(p))) {
    if (std::strncmp(p, "\"%1\"", 4) == 0) return p;
  }
  return nullptr;
}

}  // namespace

bool BuildFallbackCommand(char* command, size_t size, const char* url) {
  if (!command || size == 0) return false;
  const size_t stored = strnlen(command, size);
  if (stored == size) return false;  // not a terminated text

  char* end = FindQuotedPlaceholder(command);
  if (!end) end = std::strstr(command, "%1");
  const size_t kept = end ? static_cast<size_t>(end - command) : stored;
  const size_t urlLength = std::strlen(url);
  if (kept + 1 + urlLength + 1 > size) return false;

  command[kept] = ' ';
  std::memcpy(command + kept + 1, url, urlLength + 1);
  return true;
}

UINT OpenErrorStringId(int code) {
  switch (static_cast<unsigned>(code)) {
    case 0:
      return IDS_LINK_ERR_NO_RESOURCES;
    case ERROR_FILE_NOT_FOUND:
      return IDS_LINK_ERR_FILE_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
      return IDS_LINK_ERR_PATH_NOT_FOUND;
    case SE_ERR_ACCESSDENIED:
      return IDS_LINK_ERR_ACCESS_DENIED;
    case SE_ERR_OOM:
      return IDS_LINK_ERR_OUT_OF_MEMORY;
    case ERROR_BAD_FORMAT:
      return IDS_LINK_ERR_BAD_FORMAT;
    case SE_ERR_SHARE:
      return IDS_LINK_ERR_SHARE;
    case SE_ERR_ASSOCINCOMPLETE:
      return IDS_LINK_ERR_ASSOC_INCOMPLETE;
    case SE_ERR_DDETIMEOUT:
      return IDS_LINK_ERR_DDE_TIMEOUT;
    case SE_ERR_DDEFAIL:
      return IDS_LINK_ERR_DDE_FAIL;
    case SE_ERR_DDEBUSY:
      return IDS_LINK_ERR_DDE_BUSY;
    case SE_ERR_NOASSOC:
      return IDS_LINK_ERR_NO_ASSOC;
    case SE_ERR_DLLNOTFOUND:
      return IDS_LINK_ERR_DLL_NOT_FOUND;
    default:
      return IDS_LINK_ERR_UNKNOWN;
  }
}

std::string OpenErrorMessage(int code) {
  const UINT id = OpenErrorStringId(code);
  std::string text = LoadResString(id);
  if (id == IDS_LINK_ERR_UNKNOWN) {
    // The code goes in by hand: a translated text is never used as a format.
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(code));
  }
  return LoadResString(IDS_LINK_OPEN_FAILED) + text;
}
