#pragma once
// A pass a slot task recorded, kept for its page once the task has ended. A record of the
// whole pass that the page writes afterwards (the summary log, the legacy page's total logs)
// may still fail; no drive is shown passed unless every record of its run was written, so the
// page then takes the pass back: the slot report gets the lost-records fail record (and its
// copy in Fail_Log), and the drive's results-list line becomes a failure, as a slot task does
// when one of its own records is lost after its flow passed.
#include <mutex>
#include <string>

#include "run/ResultsList.h"

class CColorEdit;
class CSharedText;

// The Summary.csv row a pass added, and the row that says the drive failed instead.
struct SummaryCsvRow {
  std::string path;     // the Summary.csv file ("" no row was added)
  std::string passRow;  // the row as written, with its line break
  std::string failRow;  // the same row with the lost-records code for its verdict
};

// Replaces the last line of the file that equals the pass row by the fail row, in one
// replacement of the file; true when done or when no row was added, false (the file as it
// was) when the row is not found or the file cannot be written.
bool TakeBackSummaryCsvRow(const SummaryCsvRow& row);
// The take-back of the pass row as a take-back owed writes it: done once the file no longer
// holds the row (taken back now, or the file without it meanwhile).
RecordTakeBack SummaryCsvRowTakeBack(const SummaryCsvRow& row);

struct SlotPassRecord {
  int slot = 0;               // 0: no pass recorded
  std::string serial;         // the serial number the fail record names
  std::string reportPath;     // the slot report
  std::string failLogCopy;    // its copy for a failure ("" none)
  ResultsListLine listLine;   // the drive's results-list line (no work-order file: none)
  SummaryCsvRow summaryRow;   // the drive's Summary.csv row (none: no path)
};

// The record one task leaves and its page reads after the pass.
class CSharedPassRecord {
 public:
  void Set(SlotPassRecord record) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_record = std::move(record);
  }
  SlotPassRecord Get() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_record;
  }
  void Clear() { Set({}); }

 private:
  mutable std::mutex m_mutex;
  SlotPassRecord m_record;
};

// Takes the pass of a slot back because `failure` (a lost-record text) hit a record of the whole
// pass: the slot's cell shows the lost-records failure, its result text and port state say
// so, and the records of the pass say so too (fail record in the report, copied to Fail_Log;
// the results-list line and the Summary.csv row a failure). False when one of those records could not be written
// (the slot shows the failure all the same); a record that still says Pass is then owed its
// take-back (VerdictRecords.h).
bool TakeBackPass(int slot, const SlotPassRecord& record, const std::string& failure, CColorEdit& cell,
                  CSharedText& resultText);
