#include "app/FolderOpener.h"

#include "app/FolderTrayApp.h"
#include "app/ShellServices.h"
#include "bookmarks/BookmarkStore.h"
#include "res/resource.h"

namespace {

bool IsQuoted(const std::string& text) {
  return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

// Quotes `path` when it holds one of `specials` and is not quoted already.
std::string QuoteIfHolds(const std::string& path, const char* specials) {
  if (path.find_first_of(specials) == std::string::npos || IsQuoted(path)) return path;
  return '"' + path + '"';
}

}  // namespace

FolderLaunch BuildFolderLaunch(const std::string& command, int tree, const std::string& path) {
  if (!command.empty()) {
    // Another program splits its command line at blanks; the directory stays unquoted.
    return {command, QuoteIfHolds(path, " "), path};
  }
  // Explorer reads its parameters as fields separated by commas (and "="); a
  // path beginning with "/" is the user's own switches and goes unchanged.
  const bool isSwitch = !path.empty() && path[0] == '/';
  const std::string folder = isSwitch ? path : QuoteIfHolds(path, ",=");
  const std::string parameters = (tree == 1 && !isSwitch) ? "/e,/n," + folder : folder;
  return {"explorer", parameters, parameters};
}

UINT LaunchErrorStringId(INT_PTR result) {
  switch (result) {
    case 0:
      return IDS_OUT_OF_MEMORY;
    case ERROR_FILE_NOT_FOUND:
      return IDS_COMMAND_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
      return IDS_PATH_NOT_FOUND;
    case SE_ERR_ACCESSDENIED:
      return IDS_ACCESS_DENIED;
    case ERROR_BAD_FORMAT:
      return IDS_BAD_FORMAT;
    default:
      return 0;
  }
}

void CFolderTrayApp::ShowError(UINT textId) const {
  const std::string text = textId ? LoadResString(textId) : std::string();
  ::MessageBoxA(m_wndHidden.m_hWnd, text.c_str(), LoadResString(IDS_ERROR).c_str(), MB_ICONHAND);
}

void CFolderTrayApp::OpenBookmark(int position, LPCSTR path, int tree) {
  std::string folder;
  if (path) {
    folder = path;
  } else {
    std::string name;
    if (!LoadBookmark(position, name, folder)) {
      ShowError(IDS_NAME_NOT_FOUND);
      return;
    }
  }
  const FolderLaunch launch = BuildFolderLaunch(m_strCommand, tree, folder);
  INT_PTR result = 0;
  {
    CWaitCursor wait;
    result = reinterpret_cast<INT_PTR>(
        TheShell().Execute(m_wndHidden.m_hWnd, "open", launch.file.c_str(),
                           launch.parameters.c_str(), launch.directory.c_str(), SW_SHOWNORMAL));
  }
  if (static_cast<int>(result) <= 32) ShowError(LaunchErrorStringId(result));
}
