#pragma once
// The mass-production (MP) flow of CSlotTestTask::RunMPFlow, one object per run of the flow.
// It takes a drive in whatever code it runs (boot code, burner code, or code from flash, the
// MP or the RDT firmware), reads and judges the RDT results of a drive still on the RDT
// firmware, loads the MP firmware into controller RAM, erases and scans the flash, writes the
// info block with the serial number, preformats, programs the firmware into flash, checks the
// finished drive and shows the pass text with capacity, model, serial number and block
// statistics.
//
// Three phases, one source file each: the start (settings snapshot, serial number under
// lock 2, IO state, controller and flash identification, running code, RDT probe;
// MPFlowStart.cpp), the preparation (by running code, device-information check, DRAM test,
// table sort, erase, first scan "SCA1", info block under lock 2, preformat, programming;
// MPFlowPrepare.cpp) and the checks of the programmed drive (restart, info block, thermal
// and DEVSLP, write-read test, second scan "SCA2", eFuse cut, good-card mark, SMART, capacity,
// identity, the endless-test loop, firmware type, one-CE checks, pass text;
// MPFlowChecks.cpp).
//
// Every step returns true to go on; a failing step has ended the flow through one of the
// task's failure endings (the task's result text then holds the tag) and returns false.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/BlockInfoRecord.h"
#include "engine/MPDevice.h"
#include "run/SlotTestTask.h"

class CMPFlow {
 public:
  explicit CMPFlow(CSlotTestTask& task);
  // The whole flow: 1 when the drive passed, 0 when a step failed.
  std::uint8_t Run();

 private:
  // ---- start, serial number and running code (MPFlowStart.cpp)
  bool Start();
  bool HandOutSerialNumber();
  bool IdentifyDrive();
  bool CheckRunningCode();

  // ---- preparation, first scan and programming (MPFlowPrepare.cpp)
  bool Prepare();
  bool PrepareOnBurnerCode();
  bool PrepareOnBootCode();
  bool PrepareOnFlashCode(bool onRdtFirmware);
  bool JudgeRdtResults();
  void ReadRunInformation();
  void TakeRunInfoCeMap();
  void SetCeMap(bool readDynamicKey);
  bool SortBadBlockTable();
  bool ScanTimingWindow(bool forceBootAfterReset);
  bool ForceToBootCode();
  // The drive must run its boot code, which is given the MP firmware in RAM.
  bool LoadMpImageOnBootCode();
  bool CheckEFuseBeforeCut();
  bool EraseFlash(int progressPoints);
  void ChooseEraseType();
  bool FirstScan();
  bool ScanAndStore(std::uint8_t earlyBadScan, int progressPoints);
  bool WriteInfoBlock();
  bool ProgramFirmware();

  // ---- checks of the programmed drive and the pass (MPFlowChecks.cpp)
  bool CheckProgrammedDrive();
  bool RestartOnNewFirmware();
  bool WriteReadTest();
  void RecordWriteReadCurrent(bool bridgeMode);
  bool SecondScan();
  bool CutEFuses();
  bool CheckSmart();
  bool CheckCapacity();
  bool ReadIdentity();
  bool CheckFirmwareType();
  std::uint8_t Pass();

  // ---- endings, with the statistics text of the run
  bool FailOut();
  bool FailOutWithoutSerial();
  // The statistics text of a second record read with ReadRDTInfo (8 and 16 slots only); false,
  // with the fail record written, when the drive's table could not be read for it.
  bool ReadStatisticsText();
  void StoreBlockInfo();

  CSlotTestTask& m_task;
  CMPDevice& m_device;

  // Working state: set up at the start, kept through the endless-test loop.
  std::uint64_t m_startMs = 0;
  std::unique_ptr<BlockInfoRecord> m_blockInfo;
  std::array<std::uint8_t, CMPDevice::kRecordBytes> m_runInfo{};
  std::uint8_t m_usePolling = 0;
  bool m_newSerialNeeded = true;
  std::uint8_t m_keepDeviceInfo = 0;
  std::uint16_t m_uiCeMap = 0;
  std::uint16_t m_runInfoCeMap = 0;
  bool m_haveRunInfoMap = false;
  bool m_outputRdt = false;
  bool m_rdtFirmwareSeen = false;
  bool m_rdtJudged = false;
  bool m_loadedFromBoot = false;
  std::uint8_t m_preformatRdtOption = 1;
  int m_eraseType = 0;
  std::uint8_t m_shortRun = 0;
  int m_slotLayout = 0;
  std::string m_statisticsText;
  std::int64_t m_sizeMB = 0;
  std::string m_modelText;
  std::string m_serialText;
  std::array<std::uint8_t, CMPDevice::kIdentifyBytes> m_identify{};
};
