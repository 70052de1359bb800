#pragma once
// Take-backs owed. A pass that turns into a failure after some of the drive's records already
// said Pass has those records taken back (CSlotTestTask::RecordVerdict, TakeBackPass); a
// take-back is a write to the disk that may just have run full. A drive's count that the
// summary log refused is made up the same way (CSlotTestTask::OweSummaryLogCount), so that
// the log counts every cell once. One that cannot be written is not dropped: it is owed, and
// written as soon as it can be - before the next record of its file, at the end of the
// production pass and at the next Start, which starts no pass while one is still owed. Closing with one still owed tells the operator which records are wrong.
//
// Owed take-backs are kept in memory for the session only: a list on the disk would be lost
// on the very disk that refused the take-back, and a summary-log count taken back from a list
// replayed after a crash could be taken back twice. A count is owed only when its write left
// the file as it was (a summary log is replaced whole, by one rename after its data is on the
// disk), and an owed one leaves the list when it is written, under the list's lock: no drive
// is counted twice.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A record of a drive that is wrong (it says Pass for a drive that failed, or lacks the drive's
// count), and how it is corrected.
struct RecordTakeBack {
  std::string file;              // the record's file, as its writers name it (a station path text)
  std::string wrong;             // what is wrong with the record, e.g. "still says PASS"
  std::function<bool()> write;   // writes the take-back; true once written
};

// Writes the take-back of the drive's record; when it cannot be written, keeps it owed (with
// the errno the write left) and returns false. Owed take-backs of the same file are written
// first. serial: the drive's serial number ("" none).
bool WriteOrOweTakeBack(RecordTakeBack takeBack, int port, std::string serial);
// Writes the take-backs owed for `file` (every file when empty) that can be written now, in
// the order they were owed; true when none of them is still owed.
bool WriteOwedTakeBacks(std::string_view file = {});
// One line per record still owed: "Port <n> (<serial>): <file> <what it says> (<reason>)".
std::vector<std::string> OwedTakeBackLines();
// The operator's messages: Start refused, and the program closing, while one is owed.
std::string OwedTakeBacksStartText();
std::string OwedTakeBacksClosingText();
// Forgets every take-back owed (tests).
void ForgetOwedTakeBacks();
