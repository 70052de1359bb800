// The station flows that later work brings. Until then each one ends at once as a failure
// that names the missing flow (never as a pass), so a station set up for them shows why its
// drives were not tested.
#include "run/SlotTestTask.h"

std::uint8_t CSlotTestTask::RunZeroMBCheckFlow() { return FlowNotAvailable(SlotFlow::ZeroMBCheck); }
std::uint8_t CSlotTestTask::RunUpgradeFirmwareFlow() { return FlowNotAvailable(SlotFlow::UpgradeFirmware); }
std::uint8_t CSlotTestTask::RunRewriteISPFlow() { return FlowNotAvailable(SlotFlow::RewriteISP); }
std::uint8_t CSlotTestTask::RunReadRMADebugFlow() { return FlowNotAvailable(SlotFlow::ReadRMADebug); }
