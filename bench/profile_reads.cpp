// Reading one setting from a 300-line INI file: through the profile cache (a stat and a
// lookup) against reading and parsing the whole file on every read, from 1 and 24 threads.
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

}  // namespace

BENCHMARK_MAIN();
