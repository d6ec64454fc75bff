// What is started to open a folder, and how a failed start is reported.
#pragma once
#include <windows.h>

#include <string>

struct FolderLaunch {
  std::string file;
  std::string parameters;
  std::string directory;
};

// The program, parameters and working directory that open `path`: Explorer
// (with "/e,/n," when tree is 1 and the path is not a switch of its own), or
// the `command` program when one is set.
FolderLaunch BuildFolderLaunch(const std::string& command, int tree, const std::string& path);

// The string that explains a ShellExecute result of 32 or less; 0 when there is none.
UINT LaunchErrorStringId(INT_PTR result);
