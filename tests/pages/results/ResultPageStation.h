#pragma once
// A station for the result-page tests: the page tests' simulated station (tester boards, a
// user-interface thread of the test's own) with a port-mapping file, so that the "Disk :"
// list maps port p to drive p.
#include <string>

#include "../PageTestStation.h"
#include "pages/common/PageGlobals.h"
#include "platform/Profile.h"

namespace resultstest {

// Slot 1 runs its ROM code (the MP firmware), slot 2 the RDT firmware after a finished RDT,
// slot 3 its boot code.
inline const std::string kResultStation =
    "[Station]\r\nBoards=1\r\nSeed=31\r\n[Board1]\r\nSlots=3\r\nSlot1=Rom\r\nSlot2=Rdt\r\nSlot3=Boot\r\n"
    "[Drive]\r\nCode=Boot\r\nEarlyBadPerCe=3\r\nLaterBadPerCe=2\r\n"
    "[Rom]\r\nCode=Flash\r\n"
    "[Boot]\r\nCode=Boot\r\n"
    "[Rdt]\r\nCode=Rdt\r\nRdtState=Done\r\nRdtTlcEcc=44\r\nRdtSlcEcc=22\r\n"
    "RdtBadBlock1=02,0,0,3,20,1,1,1,2,1,0,100,0,0\r\n"
    "RdtBadBlock2=03,1,0,3,21,1,1,1,2,2,0,101,0,1\r\n"
    "RdtBadBlock3=01,1,0,3,22,0,1,1,0,0,0,102,0,0\r\n"
    "RdtBadBlock4=04,9,1,3,40,1,1,1,2,3,30,103,0,0\r\n";

class ResultPageStation : public pagestest::PageTestStation {
 public:
  ResultPageStation() : PageTestStation(kResultStation) {
    station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini", "");
    platform::FlushProfileCache();
    g_MappingType.store(1);
  }
  ~ResultPageStation() { g_MappingType.store(0); }
};

}  // namespace resultstest
