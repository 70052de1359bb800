#include "run/FlowDispatch.h"

#include "device/StationHelpers.h"

SlotFlow ChooseSlotFlow(int kind, int stationMode, bool onlyDoIsp) {
  switch (kind) {
    case kTaskInit:
      if (stationMode == kStationEraseAll) return SlotFlow::EraseAll;
      if (stationMode == kStationRDTResult) return SlotFlow::RDT;
      if (stationMode == kStationRDT || stationMode == kStationReRDT || stationMode == kStationSortRDT) {
        return SlotFlow::RDT;
      }
      return onlyDoIsp ? SlotFlow::UpgradeFirmware : SlotFlow::MP;
    case kTaskQC:
      if (stationMode == kStationRDTResult) return SlotFlow::ZeroMBCheck;
      if (stationMode == kStationUpdateFW) return SlotFlow::RewriteISP;
      if (stationMode == kStationRMADBG) return SlotFlow::ReadRMADebug;
      return SlotFlow::QC;
    case kTaskRDTResult:
      return stationMode == kStationRDTResult ? SlotFlow::RDTResult : SlotFlow::None;
    default:
      return SlotFlow::None;
  }
}

bool WritesSummaryCsvRow(int kind, int stationMode) { return kind == kTaskInit && stationMode == kStationMP; }
