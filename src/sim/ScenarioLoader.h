#pragma once
// Scenario files of the simulated station: small INI files under Configuration\Sim\ in the
// station folder. One file describes the whole station: its boards and slots and what drive
// sits in each slot. Keys (sections and keys match without regard to case; numbers are
// decimal unless marked hex; a hex value may carry a "0x" prefix):
//
// [Station]
//   Boards=<n>             tester boards, 1..8 (default 1)
//   Seed=<n>               seed of the bad-block maps (default 1); the drive in device
//                          position k (from 0) uses Seed + k, so every drive differs and
//                          every run of the same file gives the same maps
//   TimeScale=<x>          multiplier of the simulated command times, 0..10 as Platform.ini's
//                          own scale (default 1); the platform's scale applies on top (0 in
//                          unit tests)
//
// [Board<b>]               b = 1..Boards
//   Product=<text>         "SATA TESTER-S" (default) or "SATA3-TESTER"
//   Slots=<n>              1..48 (default 24)
//   FirstTester=<n>        tester number of slot 1 (default: 1 + the slots of the boards
//                          before); slot s reports FirstTester + s - 1, which must stay <= 48
//   TesterType=<n>         USB page byte 0 (default 3)
//   Version=<major>.<minor hex>   tester firmware version (default 3.05)
//   ExtraValue=<n>         USB page byte 256 (default 0)
//   Drive=<section>        drive profile of every slot (default: section [Drive]; "Empty"
//                          leaves every slot empty)
//   Slot<s>=<section>      profile of slot s; "Empty" leaves the slot empty
//   Empty=<list>           slots left empty, e.g. "3,5-7"
//
// Drive profiles: the section [Drive] holds the defaults of every drive; any other profile
// section holds what differs from it. Keys of a profile:
//   Code=Boot|Burner|Flash|Rdt   what runs at power on: boot code (flash empty, default),
//                          burner code, the MP firmware from flash, the RDT firmware from flash
//   BootName= BurnerName= FlashName= RdtName=   running-code names (SBR1.0.0, SBB1.0.3,
//                          SBF10A01, RDT10A01)
//   Serial=<text>          default "SIM" + board (2 digits) + slot (2 digits) + "0001"
//   Model=<text>  BinType=<text>  IcVersion=<hex>
//   CeMap=<hex>            CEs that carry flash (default F)
//   CeNumberedByMap=0|1  Dies=<n>  Planes=1|2|4  BlocksPerCe=<n>  PageSectors=<n>
//   CeSizeExponent=<n>     a CE holds 2^n GB
//   FlashId=<7 hex bytes>  e.g. "98 3C 98 B3 76 72 08"
//   EarlyBadPerCe=<n>  LaterBadPerCe=<n>   seeded factory and later bad blocks per CE
//                          (together at most the blocks of a CE but its first 4)
//   BadBlock<k>=<ce>,<block>,Factory|Erase|Program|Read   one named bad block
//   FlashImage=<file>      with Code=Flash or Rdt: the flash holds the flash section of that
//                          firmware image (a station path text, e.g. FW\MP\TV3160_MP_Sample.bin),
//                          as the station programmed it; the firmware runs under its name
//   InfoBlock=Blank|Written   GoodMark=<hex>   the info block left by an earlier MP run
//   DramFail=0|1  EFuseBad=0|1  SmartThresholdExceeded=0|1  ApKeyRefused=0|1
//   Smart<k>=<id hex>,<value>     SMART attributes (default: a healthy set)
//   Fault<k>=<command>,<skip>,<action>[,...]   fault rules (FaultInjector.h): command is a
//                          name of the command table or "Any"; actions Timeout, Pull,
//                          Short,<bytes>, Sense,<key>,<asc>,<ascq> (hex), Garbage; an
//                          optional last field times=<n> (0 = every call)
//   RDT results:
//   RdtState=NotRun|Running|Done   RdtResultCode=<hex>  RdtBadBlockNumber=<n>
//   RdtCeMap=<hex>  RdtTlcLoops= RdtSlcLoops= RdtTlcEcc= RdtSlcEcc= RdtMinTemp= RdtMaxTemp=
//   RdtTemp= RdtTotalTime=<seconds>  RdtFwVersion=<4 characters>
//   RdtSkipFlags=<hex>  RdtRunFlags=<hex>  RdtRunWord=<hex>  RdtTestUnit=<n>  RdtDramFail=0|1
//   RdtTemperature<k>=<cycle>,<step>,<kind>,<code>,<value>
//   RdtSdr<k>=<result>,<cycle>,<step>,<code>,<time ms>
//   RdtSpecial<k>=<type>,<ce>,<channel>,<plane>,<block>,<page>,<temp>,<retry>,<cell mode>,
//                 <raw bits>,<kind hex>,<program time us>,<cycle>
//   RdtBadBlock<k>=<type hex>,<ce>,<channel>,<total loop>,<block>,<page>,<run loop>,
//                 <run cycle>,<step>,<stage>,<over bits>,<time stamp>,<slc>,<plane>
//   RdtEcc<k>=<ce>,<bits>,<block>
//   RdtBadBlockLog=Map|Listed   Map (default unless RdtBadBlock<k> keys exist): the log
//                          lists the drive's bad-block map; Listed: only the listed entries
//   Corrupt<k>=Temperature|Sdr|Special|BadBlock,<offset>,<hex bytes>   bytes written over
//                          an encoded log
// RDT firmware that the station programs into flash runs its test when it first starts and
// has finished it at once, with the results the RDT keys above plan.
// Listed keys (<k> = 1, 2, ...) are taken in the order of k; a profile's listed keys replace
// those of [Drive] with the same name.
//
// Sections and keys are declared in ScenarioKeys.cpp. The file is checked line by line before
// anything is read from it: a line that is not a section header, a key or a comment (";"), a
// byte that text does not hold, a key before the first section, a key its section does not
// know, a section or key written twice, a [Board<b>] beyond Boards, a Slot<s> beyond the
// board's slots, a value out of range or malformed, a drive or station larger than one
// simulated station may hold (a drive at most 2^20 blocks in its CE slots and 2^16 bad
// blocks, the station's drives together at most 2^24 blocks), and a file that cannot be read
// or holds no section give an error text that names the file, the line, the section and the key;
// nothing is built then.
#include <memory>
#include <string>
#include <vector>

#include "sim/SimDrive.h"
#include "sim/SimStation.h"

namespace sim {

// Folder of the scenario files, as a station path text.
inline constexpr char kScenarioFolder[] = ".\\Configuration\\Sim\\";
inline constexpr char kDefaultScenario[] = "Default.ini";

struct SlotPlan {
  bool empty = true;
  DriveProfile drive;
};

struct BoardPlan {
  BoardProfile board;
  std::vector<SlotPlan> slots;   // index slot - 1
};

struct StationPlan {
  std::uint64_t seed = 1;
  double timeScale = 1.0;
  std::vector<BoardPlan> boards;
};

struct ScenarioResult {
  std::shared_ptr<SimStation> station;   // null on error
  std::string error;
};

// The path text of a scenario file: a bare name is in the scenario folder.
std::string ScenarioPath(const std::string& file);
// Reads a scenario file (a station path text; a bare name is looked up in the scenario folder).
bool LoadStationPlan(const std::string& file, StationPlan& plan, std::string& error);
// Builds the station a plan describes.
std::shared_ptr<SimStation> BuildStation(const StationPlan& plan);
// Both in one step.
ScenarioResult LoadScenario(const std::string& file);

}  // namespace sim
