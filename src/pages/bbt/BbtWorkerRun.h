#pragma once
// One run of a bad-block-table worker (BbtWorkers.h): the engine it makes for the page's drive,
// the common start that brings the controller to its RAM code, the texts it leaves in the
// page's status box and the common end. The end runs whatever the verdict: the engine's table
// buffers are given back, the engine is deleted and the page's engine member emptied, and after
// a pause the page gets its drive back and enables its controls.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/MPDevice.h"

class CPropertyPage_DBT;

class CBbtWorkerRun {
 public:
  // Task kinds of the engine: 1 for the erase, 4 for the table work.
  static constexpr int kEraseTask = 1;
  static constexpr int kTableTask = 4;

  // Makes the engine and starts its slot report ("START").
  CBbtWorkerRun(CPropertyPage_DBT& page, int taskKind);
  ~CBbtWorkerRun();
  CBbtWorkerRun(const CBbtWorkerRun&) = delete;
  CBbtWorkerRun& operator=(const CBbtWorkerRun&) = delete;

  CPropertyPage_DBT& Page() { return m_page; }
  CMPDevice& Engine() { return *m_engine; }
  // use_polling of [Options] in param.ini is 1 (read by the common start).
  std::uint8_t Polling() const { return m_polling; }
  void Progress(int position);

  // The common start up to the downloaded RAM code; the table work also reads the system
  // information (or counts the CEs from the flash IDs). False after a failure (shown).
  bool BringToRamCode(bool tableWork);

  // "Fail, %s, %s" with the code of the tag and the message; false.
  bool Fail(std::string_view tag, std::string_view message);
  // The same with the tag and message the failing engine step left.
  bool FailWithEngineError();
  // Sets the engine's tag and message, writes a plain report line with the reason when one is
  // given and the fail record, and shows the failure; false.
  bool FailWithRecord(std::string_view tag, std::string_view message, std::string_view reason = {});
  // A failure text of its own, without a code; false.
  bool Refuse(std::string_view text);
  // Progress 100, the report's "END", the listed text file (named after listedFile, when not
  // empty) and the verdict.
  void Pass(std::string_view verdict, std::string_view listedFile = {});

 private:
  CPropertyPage_DBT& m_page;
  std::unique_ptr<CMPDevice> m_engine;
  std::uint8_t m_polling = 0;
};
