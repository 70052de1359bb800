#include "pages/common/PageGlobals.h"

std::atomic<std::int32_t> g_ActivePage{kActiveNone};
std::atomic<std::int32_t> g_MappingType{0};
