// Shared pieces of the in-process benchmark: a clock, medians, and an
// application object with a registry area of its own.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/FolderTrayApp.h"
#include "bookmarks/BookmarkStore.h"

// Milliseconds from the performance counter.
double NowMs();
double Median(std::vector<double> values);
// One timed piece of work. Runs of several measures are interleaved (one of
// each per round), so that a load that comes and goes on the machine weighs
// on all of them alike and their ratios stay meaningful.
struct Measure {
  std::string key;
  int runs;     // timed runs; at most the number of rounds
  bool warmUp;  // one untimed run first
  std::function<void()> work;
  std::vector<double> times;
};
// Warms up, then runs `rounds` rounds; prints "<key>_<count>_ms=<median>" per measure.
void RunInterleaved(int count, int rounds, std::vector<Measure>& measures);

// A tray application under HKCU\software\Kelvane\<unique name>, deleted at the end.
class BenchApp : public CFolderTrayApp {
 public:
  explicit BenchApp(const char* tag);
  ~BenchApp() override;
  // A new name, so the next read finds no key, as on a first start.
  void Rename(const char* tag);
  std::string SectionPath(const char* section) const;
  void DeleteArea() const;
};

// `count` bookmarks with names and paths like a user's.
std::vector<Bookmark> MakeBookmarks(int count);
