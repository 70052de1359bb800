#pragma once
// The keys a scenario file may hold, in one table by the kind of section they belong in (the
// table is in ScenarioKeys.cpp; ScenarioLoader.h documents what each key means). The loader
// refuses a key the table does not hold, and refuses to read one it does not declare, so the
// table and the reading code cannot drift apart.
//
// To add a key: one line in the table, and its reading in ScenarioLoader.cpp.
#include <string_view>

namespace sim {

enum class ScenarioSection {
  Station,  // [Station]
  Board,    // [Board<b>], b = 1..Boards
  Drive,    // [Drive] and every other section: a drive profile
};

struct ScenarioKey {
  ScenarioSection section;
  const char* name;
  bool numbered;  // a listed key: the name followed by a number 1, 2, ... ("BadBlock1")
};

// True when a section of that kind may hold the key (without regard to case).
bool IsScenarioKey(ScenarioSection section, std::string_view key);

}  // namespace sim
