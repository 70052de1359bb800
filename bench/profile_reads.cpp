// Reading one setting from a 300-line INI file: through the profile cache against reading and
// parsing the whole file on every read, from 1 and 24 threads; and both in one run, with the
// ratio of their costs (the goal: a cached read at least 50 times cheaper).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/IniDocument.h"
#include "platform/IniFile.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {
namespace fs = std::filesystem;

constexpr int kSections = 20;
constexpr int kKeysPerSection = 14;  // 20 x (1 header + 14 keys) = 300 lines

// A station folder with a 300-line param.ini whose times lie in the past, so the cache
// trusts its checks from the first read.
struct BenchStation {
  BenchStation() {
    folder = fs::temp_directory_path() / platform::Format("profile-reads-%d", static_cast<int>(::getpid()));
    fs::create_directories(folder);
    platform::SetStationFolder(folder);
    std::ofstream out(folder / "param.ini", std::ios::binary);
    for (int section = 0; section < kSections; ++section) {
      out << platform::Format("[Section %d]\r\n", section);
      for (int key = 0; key < kKeysPerSection; ++key) {
        out << platform::Format("Key%02d = value of key %d in section %d\r\n", key, key, section);
      }
    }
    out.close();
    const auto anHourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(folder / "param.ini", anHourAgo);
  }
  ~BenchStation() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  fs::path folder;
};

BenchStation& Station() {
  static BenchStation station;
  return station;
}

void CachedRead(benchmark::State& state) {
  Station();
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::ReadProfileString(".\\param.ini", "Section 17", "Key11", ""));
  }
}

void ParseOnEveryRead(benchmark::State& state) {
  Station();
  for (auto _ : state) {
    platform::IniFileRead read = platform::ReadIniFile(platform::ToNativePath(".\\param.ini"));
    const platform::IniDocument document(std::move(read.bytes));
    benchmark::DoNotOptimize(std::string(document.Value("Section 17", "Key11").value_or("")));
  }
}

BENCHMARK(CachedRead)->Threads(1)->Threads(24)->UseRealTime();
BENCHMARK(ParseOnEveryRead)->Threads(1)->Threads(24)->UseRealTime();

std::int64_t Nanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Rounds of 2,000 cached reads and 20 re-parses, each timed; the ratio of the mean costs.
void CachedAgainstParse(benchmark::State& state) {
  Station();
  constexpr int kCachedReads = 2000;
  constexpr int kParses = 20;
  std::int64_t cachedNs = 0;
  std::int64_t parseNs = 0;
  std::int64_t rounds = 0;
  for (auto _ : state) {
    std::int64_t start = Nanoseconds();
    for (int i = 0; i < kCachedReads; ++i) {
      benchmark::DoNotOptimize(platform::ReadProfileString(".\\param.ini", "Section 17", "Key11", ""));
    }
    cachedNs += Nanoseconds() - start;
    start = Nanoseconds();
    for (int i = 0; i < kParses; ++i) {
      platform::IniFileRead read = platform::ReadIniFile(platform::ToNativePath(".\\param.ini"));
      const platform::IniDocument document(std::move(read.bytes));
      benchmark::DoNotOptimize(std::string(document.Value("Section 17", "Key11").value_or("")));
    }
    parseNs += Nanoseconds() - start;
    ++rounds;
  }
  const double cached = static_cast<double>(cachedNs) / static_cast<double>(rounds * kCachedReads);
  const double parse = static_cast<double>(parseNs) / static_cast<double>(rounds * kParses);
  state.counters["cached_read_ns"] = cached;
  state.counters["reparse_ns"] = parse;
  state.counters["reparse_per_cached_read"] = cached > 0 ? parse / cached : 0;
}
BENCHMARK(CachedAgainstParse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
