#pragma once
// The RDT pretest flow of CSlotTestTask::RunRDTFlow (stations RDT, ReRDT and SortRDT), one
// object per run of the flow. It prepares a drive to run its own reliability test (RDT): the
// serial number under lock 2, IO state, controller and running code; the controller brought
// from whatever code it runs into burner code (the RDT BIN, or with RDTUseMPBin the MP BIN,
// loaded into program RAM when it does not run burner code already), the RDT information of an
// earlier run re-read at the ReRDT station, the bad-block table sorted at the sort stations,
// the flash erased; the DRAM test, an optional early-bad scan ("SCA1" record) or check of the
// first blocks, the preformat with the RDT parameters, the RDT firmware programmed into flash,
// the capacity setting against the flash and the firmware's bin type; then "Pass". The RDT
// itself runs on the drive afterwards; the RDT result station reads what it left.
//
// Every step returns true to go on; a failing step has ended the flow through one of the
// task's failure endings and returns false.
#include <array>
#include <cstdint>
#include <memory>

#include "engine/BlockInfoRecord.h"
#include "engine/MPDevice.h"
#include "run/SlotTestTask.h"

class CRDTFlow {
 public:
  explicit CRDTFlow(CSlotTestTask& task);
  // The whole flow: 1 when the drive passed, 0 when a step failed.
  std::uint8_t Run();

 private:
  bool Start();
  bool CheckBinClass();
  bool HandOutSerialNumber();
  bool CheckDrive();
  bool Prepare();
  // The drive on burner code (or on boot code once the BIN runs in program RAM).
  bool PrepareOnBurnerCode();
  // The drive on code from flash: forced to boot code, given the BIN, erased and restarted.
  bool PrepareOnFlashCode();
  bool LoadProgramRam();
  void ReadRunInformation();
  bool Erase(bool fromFlashCode);
  void SetCeMap();
  bool RestartIntoBurnerCode();
  bool TestDramAndScan();
  bool PreformatAndProgram();
  bool CheckCapacity();
  std::uint8_t Pass();
  bool FailOut();

  CSlotTestTask& m_task;
  CMPDevice& m_device;

  // Working state of the run.
  std::uint64_t m_startMs = 0;
  std::unique_ptr<BlockInfoRecord> m_blockInfo;
  std::array<std::uint8_t, CMPDevice::kRecordBytes> m_rdtInfo{};
  std::uint8_t m_usePolling = 0;
  std::uint8_t m_programRamImage = CMPDevice::kRdtImage;  // RDTUseMPBin 1: the MP image
  std::uint16_t m_uiCeMap = 0;
  std::uint16_t m_runInfoCeMap = 0;
  std::uint8_t m_keepRdt = 1;
  std::uint8_t m_shortRun = 0;
};
