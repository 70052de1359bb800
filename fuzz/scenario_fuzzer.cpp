// libFuzzer target of the scenario files of the simulated station: the bytes of an input are
// written as a scenario file and loaded; the loader must refuse what is not a scenario with a
// message, accept what is, and never read out of bounds or hang on either.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Path.h"
#include "sim/ScenarioLoader.h"

namespace {

// A station folder of the fuzzer's own in the temporary folder, made once and used again by
// every run and every later fuzzing (libFuzzer ends a run without running exit handlers, so
// nothing would remove a folder of one run's own).
const std::filesystem::path& FuzzStation() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path made = std::filesystem::temp_directory_path() / "scenario-fuzz-station";
    std::filesystem::create_directories(made / "Configuration" / "Sim");
    platform::SetStationFolder(made);
    return made;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path file = FuzzStation() / "Configuration" / "Sim" / "Fuzz.ini";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  sim::StationPlan plan;
  std::string error;
  const bool loaded = sim::LoadStationPlan("Fuzz.ini", plan, error);
  // Exactly one of a plan and a message.
  if (loaded == !error.empty()) std::abort();
  return 0;
}
