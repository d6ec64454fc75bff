#include "app/FolderOpener.h"

#include <shellapi.h>

#include <vector>

#include "framework/RegKey.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
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

std::string SystemDirectory() {
  return FillText([](char* out, DWORD size) { return ::GetSystemDirectoryA(out, size); });
}

std::string ExpandText(const std::string& text) {
  return FillText([&](char* out, DWORD size) {
    const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), out, size);
    // The count includes the terminating zero.
    return needed == 0 ? 0 : (needed <= size ? needed - 1 : needed);
  });
}

std::string Unquoted(const std::string& text) {
  return IsQuoted(text) ? text.substr(1, text.size() - 2) : text;
}

// The program that the shell's registered application paths give for `name`
// (HKCU first, as the shell looks), with its variables expanded.
std::string RegisteredAppPath(const std::string& name) {
  const std::string subKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + name;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    CRegKey key;
    if (key.Open(root, subKey.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS) continue;
    DWORD type = REG_NONE, size = 0;
    if (::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
      continue;
    }
    std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
    if (::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                           &size) != ERROR_SUCCESS) {
      continue;
    }
    std::string program = data.data();
    if (type == REG_EXPAND_SZ) program = ExpandText(program);
    program = Unquoted(program);
    if (!program.empty()) return program;
  }
  return std::string();
}

// `name` on the system's search path: the system and Windows directories,
// then the PATH variable; the current and the opened folder play no part.
std::string FindOnSearchPath(const std::string& name) {
  std::string directories = SystemDirectory() + ";" + WindowsDirectory();
  const std::string path =
      FillText([](char* out, DWORD size) { return ::GetEnvironmentVariableA("PATH", out, size); });
  if (!path.empty()) directories += ";" + path;
  return FillText([&](char* out, DWORD size) {
    return ::SearchPathA(directories.c_str(), name.c_str(), ".exe", size, out, nullptr);
  });
}

// A current directory holds at most MAX_PATH - 2 characters: a longer one
// makes the start fail, so the program starts in ours instead.
std::string WorkingDirectory(const std::string& directory) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, directory.data(),
                                           static_cast<int>(directory.size()), nullptr, 0);
  return length <= MAX_PATH - 2 ? directory : std::string();
}

}  // namespace

std::string ExplorerPath() { return WindowsDirectoryUtf8() + "\\explorer.exe"; }

std::string ResolveProgram(const std::string& command) {
  const std::string name = Unquoted(command);
  if (name.empty()) return std::string();
  if (name.find_first_of("\\/:") != std::string::npos) {
    // A relative folder part is taken from this program's current folder.
    return FillText([&](char* out, DWORD size) {
      return ::GetFullPathNameA(name.c_str(), size, out, nullptr);
    });
  }
  const bool hasExtension = name.find('.') != std::string::npos;
  std::string program = RegisteredAppPath(hasExtension ? name : name + ".exe");
  if (program.empty()) program = FindOnSearchPath(name);
  return program;
}

std::string QuoteArgument(const std::string& path) {
  static const char kSpecials[] = " \t\"&|<>^()%!,;=";
  if (path.find_first_of(kSpecials) == std::string::npos || IsQuoted(path)) return path;
  // The standard rules: backslashes are literal unless a quote follows them,
  // so those before a quote (the closing one too) are doubled.
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : path) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

FolderLaunch BuildFolderLaunch(const std::string& program, int tree, const std::string& path) {
  if (!program.empty()) {
    // The program's first argument is the path itself; the directory stays unquoted.
    return {program, QuoteArgument(path), WorkingDirectory(path)};
  }
  // Explorer reads its parameters as fields separated by commas (and "="); a
  // path beginning with "/" is the user's own switches and goes unchanged.
  const bool isSwitch = !path.empty() && path[0] == '/';
  const std::string folder = isSwitch ? path : QuoteIfHolds(path, ",=");
  const std::string parameters = (tree == 1 && !isSwitch) ? "/e,/n," + folder : folder;
  return {ExplorerPath(), parameters, WorkingDirectory(parameters)};
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
    case SE_ERR_OOM:
      return IDS_LAUNCH_OUT_OF_MEMORY;
    case SE_ERR_SHARE:
      return IDS_LAUNCH_SHARE;
    case SE_ERR_ASSOCINCOMPLETE:
      return IDS_LAUNCH_ASSOC_INCOMPLETE;
    case SE_ERR_DDETIMEOUT:
      return IDS_LAUNCH_DDE_TIMEOUT;
    case SE_ERR_DDEFAIL:
      return IDS_LAUNCH_DDE_FAIL;
    case SE_ERR_DDEBUSY:
      return IDS_LAUNCH_DDE_BUSY;
    case SE_ERR_NOASSOC:
      return IDS_LAUNCH_NO_ASSOC;
    case SE_ERR_DLLNOTFOUND:
      return IDS_LAUNCH_DLL_NOT_FOUND;
    default:
      return IDS_LAUNCH_FAILED;
  }
}

std::string LaunchErrorText(INT_PTR result) {
  const UINT id = LaunchErrorStringId(result);
  std::string text = LoadResString(id);
  if (id == IDS_LAUNCH_FAILED) {
    // The code goes in by hand: a translated text is never used as a format.
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(result));
  }
  return text;
}
