// What is started to open a folder, and how a failed start is reported.
#pragma once
#include <windows.h>

#include <string>

struct FolderLaunch {
  std::string file;
  std::string parameters;
  std::string directory;
};

// The program, parameters and working directory that open `path`, in UTF-8
// (any folder name, whatever the ANSI code page holds): Explorer
// from the Windows directory (with "/e,/n," when tree is 1 and the path is not
// a switch of its own), or `program` (a full path) when one is given. The
// directory is the parameters for Explorer, the path for a program; left
// empty when it is too long to be a current directory at all.
FolderLaunch BuildFolderLaunch(const std::string& program, int tree, const std::string& path);

// Explorer's full path, in UTF-8: the program that opens a folder is never
// looked up in the folder being opened.
std::string ExplorerPath();

// The full path of the `Command` program (ANSI), found as the system finds programs
// but never through the folder being opened: a name with a folder part is
// made absolute, a bare name is looked up in the shell's registered
// application paths, then on the search path. Empty when it is not found.
std::string ResolveProgram(const std::string& command);

// `path` as one argument of a command line that the standard argument rules
// and the command processor both read back as `path`: quoted when it holds a
// blank or a character that the command processor treats specially, with the
// backslashes before a quote doubled.
std::string QuoteArgument(const std::string& path);

// The string that explains a ShellExecute result of 32 or less.
UINT LaunchErrorStringId(INT_PTR result);
// The text of the error box for that result, the code in place of "%d".
std::string LaunchErrorText(INT_PTR result);
