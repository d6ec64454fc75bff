// What the Options dialog needs of the program that shows it: where the
// settings live, the folder-tree setting it shows and stores, and the
// opening of a folder on a double click.
#pragma once
#include <windows.h>

#include <string>

class CWinApp;

class COptionsHost {
 public:
  // The application whose registry area holds the list and the settings.
  virtual const CWinApp& Settings() const = 0;
  // The "Tree" setting the program goes on with; OK stores the dialog's.
  virtual int TreeSetting() const = 0;
  virtual void SetTreeSetting(int tree) = 0;
  // Opens `path` (`exactPath`, in UTF-8, where the ANSI code page cannot hold
  // it) with or without the folder tree; failures show in a box owned by `owner`.
  virtual void OpenFolder(const std::string& path, const std::string& exactPath, int tree,
                          HWND owner) = 0;

 protected:
  ~COptionsHost() = default;
};
