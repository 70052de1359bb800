#pragma once
// State the pages share with each other (the globals the slot tasks read are in run/RunGlobals.h).
#include <atomic>
#include <cstdint>

// Codes of the page that became active last; the block map dialog reads it to choose the log
// folder.
enum ActivePageCode : std::int32_t {
  kActiveNone = 0,
  kActiveProductionPage = 1,
  kActiveRdtResultPage = 3,
  kActiveLaterBadResultPage = 4,
};
extern std::atomic<std::int32_t> g_ActivePage;

// The port-mapping mode (PortMappingType), read from MappingType of [General Info] in
// MPToolSetting.ini when the production page opens.
extern std::atomic<std::int32_t> g_MappingType;
