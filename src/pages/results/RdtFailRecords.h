#pragma once
// The fail records of an RDT report, as the result pages and the block map take them. The RDT
// log reader writes three tables that name failed blocks (engine/rdtlog):
//  - the bad-block log: "Fail Type,CE,Channel,plane,Physical block address,page number,
//    Total Loop,Run Loop,Run Cycle,Step number,Stage number,Over threshold correctable bit,
//    Time Stamp" - its rows begin with the fail type ("Erase fail", "Program fail(SLC Mode)");
//  - the special-test sections: "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,
//    Max_tProgram(ms),Raw_bit_Error,Retry_Count,Temp.,Failed_Type";
//  - the baking-test sections: "CE_No,Channel_No,Plane_No,Block_No,Raw_bit_Error,
//    Retry_Count,Temp.,Failed_Type".
// A line whose first field is a fail-type name is a bad-block row; the rows of the other two
// tables end with their fail type and are read by the layout of the last table header seen.
// No other line is a fail record, whatever words it holds.
#include <array>
#include <string_view>

enum class RdtFailKind {
  FactoryBad,           // "Factory bad block"
  EraseFail,            // "Erase fail"
  ProgramFail,          // "Program fail"
  ReadUncorrectable,    // "Read uncorrectable fail"
  ReadOverThreshold,    // "Read correctable bit over threshold"
  ReadCompare,          // "Read data compare fail"
  TriggerTimeOut,       // "Trigger command time out"
};

// The kind of a fail-type field: one of the names, alone or followed by a remark in
// parentheses ("Erase fail(SLC Mode)", "Read data compare fail(9)"); false otherwise.
bool FailKindOf(std::string_view type, RdtFailKind& kind);

enum class RdtTable { None, BadBlock, SpecialTest, BakingTest, Other };

struct RdtFailRecord {
  RdtFailKind kind = RdtFailKind::FactoryBad;
  RdtTable table = RdtTable::None;
  std::string_view type;       // the fail-type field as written
  std::string_view ce;
  std::string_view channel;
  std::string_view plane;
  std::string_view block;      // "0x1f" in the bad-block log, decimal in the test tables
  std::string_view page;       // empty in the baking test
  std::string_view totalLoop;  // bad-block log only
  std::string_view runLoop;
  std::string_view runCycle;
  std::string_view ecc;        // over-threshold correctable bits, or the raw bit errors of a test
  std::string_view timeStamp;  // bad-block log only
};

// The bad-block log's rows as the RDT log reader writes them:
//   "<type>,<CE>,<channel>,<plane>,0x<block>,<page>,<total loop>,<run loop>,<run cycle>,
//    <step>,<stage>,<correctable bits>,<time stamp>"
// after leading spaces, where the type is a fail-type name with the remarks the log reader
// adds ("(9)" or "(data all 0xff)", then "(SLC Mode)", each optional), followed by its twelve
// comma-led fields, which hold none of the bytes "[", "D", "F", "M", "T" and "l" (the log
// reader writes decimal numbers there, "0x" with lower-case hexadecimal digits, the stage
// texts "Pre read", "Erase", "Program", "Post Read", and "NA"). A report of many failed blocks
// is almost all such rows, so the readers recognise them in one pass and take the record
// directly. Such a row is a bad-block record to Line too, split the same way; every key the
// readers look for in other lines holds one of those bytes, and a table header does not start
// with a fail type, so the readers do with it exactly what their general reading does (their
// tests and their fuzz target check both ways against each other); any other line takes the
// general reading.
class CRdtFailRecords {
 public:
  // Notes a table header; true (and the record filled, its views into the line) when the
  // line is a fail record.
  bool Line(std::string_view line, RdtFailRecord& record);
  // True (and the record filled, its views into the line) when the line is one of the log
  // reader's bad-block rows (above); the table read stays as it is.
  bool EngineRow(std::string_view line, RdtFailRecord& record);
  RdtTable Table() const { return m_table; }

 private:
  RdtTable m_table = RdtTable::None;
  // The fields of the line being read, kept to spare their set-up per line.
  std::array<std::string_view, 13> m_field;  // the bad-block log's columns, the most of a table
};
