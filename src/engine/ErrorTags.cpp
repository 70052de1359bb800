#include "engine/ErrorTags.h"

#include <array>
#include <cstdio>

namespace engine {

namespace {

constexpr std::array<ErrorClass, 8> kClasses{{
    {'A', 0x100, "files of the station"},
    {'D', 0x200, "controller DRAM"},
    {'F', 0x300, "flash, bad blocks and their tables"},
    {'I', 0x400, "controller, identification and running code"},
    {'M', 0x500, "production checks: RDT state, capacity, SMART"},
    {'P', 0x600, "presence of the drive"},
    {'S', 0x700, "settings and serial numbers"},
    {'T', 0x800, "tester board and slot power"},
}};

// Grouped by class; within a class a tag keeps its place (its code depends on it).
constexpr ErrorTagEntry kTable[] = {
    // ---- A: files -------------------------------------------------------------------
    {"A_x08", "A file cannot be created or written (saved buffer)"},
    {"A_T08", "An RDT log file (CSV or slot report) cannot be opened"},
    {"A_x09", "A firmware image (MP or RDT) cannot be read or is not valid"},
    {"A_W01", "A record of the drive (report, logs, results list, Summary.csv, block information) cannot be written"},
    // ---- D: DRAM ----------------------------------------------------------------------
    {"D_x07", "DRAM write-read compare failed"},
    {"D_x08", "DRAM write or read command failed"},
    {"D_T07", "RDT DRAM (SDR) test not done or failed"},
    // ---- F: flash ----------------------------------------------------------------------
    {"F_E03", "Flash erase command failed"},
    {"F_E04", "Flash erase did not complete"},
    {"F_D01", "Bad-block table cannot be read, or its size or checksum does not match"},
    {"F_T27", "RDT total later bad blocks over the setting"},
    {"F_T31", "RDT bad blocks of a plane over the limit"},
    {"F_T32", "Bad-block table write command failed"},
    {"F_T36", "RDT special or baking test found abnormal flash"},
    {"F_T37", "RDT special or baking test found ECC over the threshold"},
    {"F_T38", "RDT special-test log holds an abnormal entry (all 0x00)"},
    {"F_T40", "RDT maximum error bits over the criteria"},
    {"F_x50", "Debug data or bad-block table transfer failed"},
    {"F_x31", "Block-information record: bad blocks of a CE over the limit"},
    {"F_x32", "Block-information file has no RDT record"},
    {"F_x80", "Security erase failed"},
    {"F_x90", "Firmware on flash cannot be read"},
    {"F_x91", "Firmware on flash differs from the MP firmware image"},
    {"F_x51", "Set CE map command failed"},
    {"F_x52", "Unique ID of a CE cannot be read"},
    {"F_x60", "Preformat command failed"},
    {"F_x61", "Preformat did not complete"},
    {"F_x92", "Firmware code cannot be written to flash"},
    {"F_x93", "DOWNLOAD MICROCODE failed"},
    {"F_x94", "ISP code erase failed"},
    {"F_x41", "Flash scan command failed or did not complete"},
    {"F_x42", "Bad blocks of a plane over the limit"},
    {"F_x43", "Automatic capacity: no capacity fits the bad blocks"},
    {"F_x44", "One of the first four blocks of a CE is bad"},
    {"F_x45", "RDT information record not read or not valid"},
    {"F_x46", "Timing-window scan command failed"},
    {"F_x47", "Timing-window scan found no passing setting"},
    {"F_x48", "Write-read test: a write or read failed"},
    {"F_x49", "Write-read test: data differ"},
    {"F_x4A", "Write-read test: amount setting not valid"},
    // ---- I: controller and identification ----------------------------------------------
    {"I_x01", "AP key command failed"},
    {"I_x02", "AP key not enabled by the drive"},
    {"I_T01", "AP key command failed (RDT log reading)"},
    {"I_T02", "AP key not enabled by the drive (RDT log reading)"},
    {"I_x05", "Jump to boot code failed"},
    {"I_x06", "Identify command failed"},
    {"I_B06", "Identify command failed through the USB bridge"},
    {"I_T06", "Identify command failed (RDT log reading)"},
    {"I_x08", "Get system information command failed"},
    {"I_T08", "Get system information command failed (RDT log reading)"},
    {"I_x09", "Read flash ID command failed"},
    {"I_x10", "Flash ID does not match the parameter file"},
    {"I_x11", "Scan all flash ID command failed"},
    {"I_x12", "Flash ID of a CE does not match the parameter file"},
    {"I_x13", "Number of flash CEs does not match the parameter file"},
    {"I_x14", "CE map of the flash does not match the parameter file"},
    {"I_x15", "Controller register read failed"},
    {"I_x16", "eFuse read command failed"},
    {"I_x17", "eFuse data not valid"},
    {"I_x19", "eFuse state not as expected (UART or JTAG)"},
    {"I_x20", "System information not valid (geometry out of range)"},
    {"I_x24", "Drive not ready in time"},
    {"I_x33", "Force to boot code failed"},
    {"I_D45", "Info page read failed"},
    {"I_T45", "Info page read failed (RDT log reading)"},
    {"I_x45", "Info block read command failed"},
    {"I_x46", "Info block not valid (mark missing)"},
    {"I_x47", "Info block write command failed"},
    {"I_T51", "RDT log read failed or no memory for it"},
    {"I_T52", "RDT result: flash test time-out"},
    {"I_T53", "RDT result: bad blocks over, or flash ID error"},
    {"I_T54", "RDT result: system block error"},
    {"I_T55", "RDT result: flash ID error or flash ID missing"},
    {"I_x64", "Running code: firmware name cannot be read"},
    {"I_x65", "Running code: not on boot code"},
    {"I_x66", "Running code: not on burner code"},
    {"I_x67", "Running code: not on code from flash"},
    {"I_x68", "Running code: unknown firmware name"},
    {"I_B67", "Running code: not on code from flash (flow)"},
    {"I_x87", "Device status command failed"},
    {"I_Q10", "Good-card mark cannot be written"},
    {"I_Q11", "Good-card mark missing on the drive"},
    {"I_V01", "Controller IC version not supported"},
    {"I_V02", "Flash ID through boot code does not match (controller version)"},
    {"I_x40", "Program-RAM write failed"},
    {"I_x41", "Program RAM does not hold the image that was written"},
    {"I_x42", "Program-RAM code did not start"},
    {"I_x43", "Flash code did not start"},
    {"I_x48", "Info code read failed"},
    {"I_x49", "Info code write failed"},
    {"I_B68", "Running code: the RDT firmware, which the ISP rewrite does not rewrite"},
    // ---- M: production checks -------------------------------------------------------------
    {"M_T18", "RDT not run (no start and no end mark)"},
    {"M_T23", "Drive on normal code after MP, RDT table cannot be read"},
    {"M_T24", "RDT testing not completed"},
    {"M_T29", "Drive on normal code and MP failed, RDT table cannot be read"},
    {"M_T35", "Drive not on the RDT firmware"},
    {"M_T49", "Drive on normal code with the RDT good-card mark"},
    {"M_T50", "Drive on boot code, not on the RDT firmware"},
    {"M_T54", "Capacity does not match the setting"},
    {"M_x54", "Info-block capacity does not match the drive"},
    {"M_x55", "Host protected area found"},
    {"M_x70", "SMART return status command failed"},
    {"M_x71", "SMART threshold exceeded"},
    {"M_x72", "SMART read data command failed"},
    {"M_x73", "Thermal sensor reading out of range"},
    {"M_x74", "SMART reset command failed"},
    {"M_x75", "Stand-by command failed"},
    // ---- P: presence ------------------------------------------------------------------------
    {"P_A01", "No drive in the slot"},
    {"P_x01", "Drive does not answer"},
    {"P_x05", "Drive not awake after DEVSLP"},
    // ---- S: settings and serial numbers ------------------------------------------------------
    {"S_T13", "RDT log empty"},
    {"S_T15", "Serial number from the RDT log is empty"},
    {"S_T20", "Keep device info needs the drive on normal code"},
    {"S_x30", "Bin type does not match the parameter file"},
    {"S_x31", "One-CE drive does not support the plane mode of the bin type"},
    {"S_xMA", "Bad-block-table image file cannot be loaded"},
    {"S_x15", "Serial number of the drive is empty"},
    {"S_x16", "Serial number does not match the scanned bar code"},
    {"S_x17", "World wide name of the drive not valid"},
    {"S_x32", "Info-block serial number does not match the drive"},
    {"S_x33", "Info-block model name does not match the parameter file"},
    {"S_x34", "Run-information CE map not on the drive"},
    {"S_x40", "No serial number could be handed out"},
    {"S_x41", "Capacity does not fit the info block"},
    {"S_x42", "Write-read burn-in setting not usable (Percent or Capacity not a number, Loop below 1)"},
    {"S_x43", "Limit setting not usable (not a number, out of range, or no limit at all)"},
    {"S_x44", "Test station setting names no station (or the station settings file is missing)"},
    // ---- T: tester --------------------------------------------------------------------------
    {"T_x02", "Slot power on or power reset failed"},
    {"T_x04", "Current reading failed"},
    {"T_x05", "DEVSLP command failed"},
    {"T_x06", "Slot power off failed"},
    {"T_x07", "Card detect failed or state unknown"},
    {"T_x08", "Tester firmware needs an update"},
    {"T_x18", "eFuse cut failed"},
    {"T_A13", "Tester firmware version cannot be read"},
};

const ErrorClass* ClassOf(char letter) {
  for (const ErrorClass& c : kClasses) {
    if (c.letter == letter) return &c;
  }
  return nullptr;
}

}  // namespace

std::span<const ErrorClass> ErrorClasses() { return kClasses; }

std::span<const ErrorTagEntry> ErrorTagTable() { return kTable; }

std::optional<std::uint32_t> ErrorCodeOf(std::string_view tag) {
  if (tag.empty()) return std::nullopt;
  const ErrorClass* errorClass = ClassOf(tag.front());
  if (errorClass == nullptr) return std::nullopt;
  std::uint32_t place = 0;
  for (const ErrorTagEntry& entry : kTable) {
    if (entry.tag[0] != tag.front()) continue;
    ++place;
    if (tag == entry.tag) return errorClass->base + place;
  }
  return std::nullopt;
}

std::uint32_t ErrorCodeWithFallback(std::string_view tag) {
  if (const auto code = ErrorCodeOf(tag)) return *code;
  if (tag.size() >= 3) {
    std::string phaseX(tag);
    phaseX[2] = 'x';
    if (const auto code = ErrorCodeOf(phaseX)) return *code;
  }
  return kUnknownErrorCode;
}

std::string ErrorCodeListText() {
  std::string text;
  for (const ErrorTagEntry& entry : kTable) {
    char code[8];
    std::snprintf(code, sizeof(code), "0x%03X", static_cast<unsigned>(*ErrorCodeOf(entry.tag)));
    text += code;
    text += '\t';
    text += entry.tag;
    text += '\t';
    text += entry.description;
    text += "\r\n";
  }
  return text;
}

}  // namespace engine
