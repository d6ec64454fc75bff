#include "bench/BenchSupport.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

namespace {
double TickMs() {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string UniqueName(const char* tag) {
  static int serial = 0;
  return std::string("PathstowBench") + tag + std::to_string(::GetCurrentProcessId()) + "_" +
         std::to_string(++serial);
}
}  // namespace

double NowMs() {
  static const double tick = TickMs();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * tick;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void RunInterleaved(int count, int rounds, std::vector<Measure>& measures) {
  for (Measure& measure : measures) {
    if (measure.warmUp) measure.work();
  }
  for (int round = 0; round < rounds; ++round) {
    for (Measure& measure : measures) {
      if (round >= measure.runs) continue;
      const double start = NowMs();
      measure.work();
      measure.times.push_back(NowMs() - start);
    }
  }
  for (const Measure& measure : measures) {
    std::printf("%s_%d_ms=%.3f\n", measure.key.c_str(), count, Median(measure.times));
    std::printf("%s_%d_min_ms=%.3f\n", measure.key.c_str(), count,
                *std::min_element(measure.times.begin(), measure.times.end()));
  }
  std::fflush(stdout);
}

BenchApp::BenchApp(const char* tag) {
  m_strAppName = UniqueName(tag);
  SetRegistryKey("Kelvane");
}

BenchApp::~BenchApp() { DeleteArea(); }

void BenchApp::Rename(const char* tag) {
  DeleteArea();
  m_strAppName = UniqueName(tag);
}

std::string BenchApp::SectionPath(const char* section) const {
  return "software\\Kelvane\\" + m_strAppName + "\\" + section;
}

void BenchApp::DeleteArea() const {
  ::SHDeleteKeyA(HKEY_CURRENT_USER, ("software\\Kelvane\\" + m_strAppName).c_str());
}

std::vector<Bookmark> MakeBookmarks(int count) {
  std::vector<Bookmark> list;
  list.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "Folder %05d", i + 1);
    list.push_back({name, std::string("C:\\Users\\bench\\Documents\\Projects\\") + name});
  }
  return list;
}
