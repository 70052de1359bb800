#include "CommandCalls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "device/DeviceListing.h"
#include "device/DevicePaths.h"

namespace devicetest {

Block Hex(std::string_view text) {
  Block block{};
  std::size_t index = 0;
  std::size_t at = 0;
  while (at < text.size() && index < block.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    block[index++] = static_cast<std::uint8_t>(std::stoi(std::string(text.substr(at, 2)), nullptr, 16));
    at += 2;
  }
  return block;
}

std::string HexOf(const Block& block) {
  std::string text;
  for (const std::uint8_t byte : block) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X ", byte);
    text += digits;
  }
  text.pop_back();
  return text;
}

BridgeMode::BridgeMode(std::uint8_t value) : m_previous(g_U2AMode.load()) { g_U2AMode = value; }
BridgeMode::~BridgeMode() { g_U2AMode = m_previous; }

void ListDrives() {
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
}

// The blocks, by their bytes:
//  ATA PASS-THROUGH (16): 0 opcode 85; 1 protocol << 1 | extend (non-data 3, PIO in 4, PIO
//  out 5, DMA 6); 2 CK_COND 20, T_DIR (in) 08, BYT_BLOK 04, T_LENGTH in the count 02;
//  3-4 features; 5-6 count; 7 LBA 31..24; 8 LBA 7..0; 9 LBA 39..32; 10 LBA 15..8;
//  11 LBA 47..40; 12 LBA 23..16; 13 device; 14 command; 15 control.
//  Vendor block: 0 F0; 1 command; 2 sub-operation; 3 how the data moves (0 none, 1 PIO in,
//  2 PIO out, 3 DMA in, 4 DMA out); 4-5 sector count; 6-11 argument, bits 47..40 first;
//  12 device (40, LBA addressing). Its bridge form is the ATA PASS-THROUGH (16) block, 48-bit,
//  with command, features, count, LBA and device taken from it.
//  Tester block: 0 F1; 1 function; 2 how the data moves; 3-6 parameters 0..3; 7-10 data
//  length in bytes, most significant first.
std::vector<CommandCall> AllCommandCalls() {
  using B = std::vector<std::uint8_t>;
  using device::CommandId;
  return {
      // ---- ATA commands ----
      {.id = CommandId::IdentifyDevice,
       .call = [](CDeviceCommand& c, B& b) { return c.Identify(b); },
       .block = Hex("85 08 0E 00 00 00 01 00 00 00 00 00 00 00 EC 00"),
       .dataBytes = 512},
      {.id = CommandId::SmartReadData,
       .call = [](CDeviceCommand& c, B& b) { return c.SmartReadData(b); },
       .argument = 0xC24F00,
       .block = Hex("85 08 0E 00 D0 00 01 00 00 00 4F 00 C2 00 B0 00"),
       .dataBytes = 512},
      {.id = CommandId::SmartReturnStatus,
       .call = [](CDeviceCommand& c, B&) { bool exceeded; return c.SmartReturnStatus(exceeded); },
       .argument = 0xC24F00,
       .block = Hex("85 06 20 00 DA 00 00 00 00 00 4F 00 C2 00 B0 00")},
      {.id = CommandId::SecuritySetPassword,
       .call = [](CDeviceCommand& c, B& b) { return c.SecuritySetPassword(b); },
       .block = Hex("85 0A 06 00 00 00 01 00 00 00 00 00 00 00 F1 00"),
       .dataBytes = 512},
      {.id = CommandId::SecurityErasePrepare,
       .call = [](CDeviceCommand& c, B&) { return c.SecurityErasePrepare(); },
       .block = Hex("85 06 00 00 00 00 00 00 00 00 00 00 00 00 F3 00")},
      {.id = CommandId::SecurityEraseUnit,
       .call = [](CDeviceCommand& c, B& b) { return c.SecurityEraseUnit(b); },
       .block = Hex("85 0A 06 00 00 00 01 00 00 00 00 00 00 00 F4 00"),
       .dataBytes = 512},
      // Subcommand 03 (with offsets), 64 sectors at offset 0x0210 sectors (LBA 23..8).
      {.id = CommandId::DownloadMicrocode,
       .call = [](CDeviceCommand& c, B& b) { return c.DownloadMicrocode(b, 0x03, 0x0210, 64); },
       .sectors = 64,
       .argument = 0x021000,
       .features = 0x03,
       .block = Hex("85 0A 06 00 03 00 40 00 00 00 10 00 02 00 92 00"),
       .dataBytes = 64 * 512},
      {.id = CommandId::StandbyImmediate,
       .call = [](CDeviceCommand& c, B&) { return c.StandbyImmediate(); },
       .block = Hex("85 06 00 00 00 00 00 00 00 00 00 00 00 00 E0 00")},
      {.id = CommandId::ReadDmaExt,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadDma(b, 0x123456789Aull, 16); },
       .sectors = 16,
       .argument = 0x123456789Aull,
       .block = Hex("85 0D 0E 00 00 00 10 34 9A 12 78 00 56 40 25 00"),
       .dataBytes = 16 * 512},
      {.id = CommandId::WriteDmaExt,
       .call = [](CDeviceCommand& c, B& b) { return c.WriteDma(b, 0x10, 3); },
       .sectors = 3,
       .argument = 0x10,
       .block = Hex("85 0D 06 00 00 00 03 00 10 00 00 00 00 40 35 00"),
       .dataBytes = 3 * 512},
      {.id = CommandId::ReadSectorsExt,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadPio(b, 0x20, 5); },
       .sectors = 5,
       .argument = 0x20,
       .block = Hex("85 09 0E 00 00 00 05 00 20 00 00 00 00 40 24 00"),
       .dataBytes = 5 * 512},
      {.id = CommandId::WriteSectorsExt,
       .call = [](CDeviceCommand& c, B& b) { return c.WritePio(b, 0x30, 7); },
       .sectors = 7,
       .argument = 0x30,
       .block = Hex("85 0B 06 00 00 00 07 00 30 00 00 00 00 40 34 00"),
       .dataBytes = 7 * 512},
      // ---- Vendor commands: access and identification (codes of our own) ----
      // The key "TV31".
      {.id = CommandId::SetApKey,
       .call = [](CDeviceCommand& c, B& b) { return c.SetApKey(b); },
       .argument = 0x54563331,
       .block = Hex("F0 80 01 01 00 01 00 00 54 56 33 31 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 01 00 01 54 31 00 33 00 56 40 80 00"),
       .dataBytes = 512},
      {.id = CommandId::ReadFirmwareName,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadFirmwareName(b); },
       .block = Hex("F0 81 01 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 01 00 01 00 00 00 00 00 00 40 81 00"),
       .dataBytes = 512},
      {.id = CommandId::GetSystemInfo,
       .call = [](CDeviceCommand& c, B& b) { return c.GetSystemInfo(b, 2); },
       .sectors = 2,
       .block = Hex("F0 81 02 01 00 02 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 02 00 02 00 00 00 00 00 00 40 81 00"),
       .dataBytes = 2 * 512},
      {.id = CommandId::ReadFlashId,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadFlashId(b, 0x12, 0x34); },
       .argument = 0x3412,
       .block = Hex("F0 81 03 01 00 01 00 00 00 00 34 12 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 03 00 01 00 12 00 34 00 00 40 81 00"),
       .dataBytes = 512},
      {.id = CommandId::ScanAllFlashId,
       .call = [](CDeviceCommand& c, B& b) { return c.ScanAllFlashId(b); },
       .block = Hex("F0 81 04 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 04 00 01 00 00 00 00 00 00 40 81 00"),
       .dataBytes = 512},
      {.id = CommandId::ReadUniqueId,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadUniqueId(b, 9); },
       .argument = 9,
       .block = Hex("F0 81 05 01 00 01 00 00 00 00 00 09 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 05 00 01 00 09 00 00 00 00 40 81 00"),
       .dataBytes = 512},
      {.id = CommandId::ReadRegister,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadRegister(b, 0xF0001234u); },
       .argument = 0xF0001234u,
       .block = Hex("F0 81 06 01 00 01 00 00 F0 00 12 34 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 06 00 01 F0 34 00 12 00 00 40 81 00"),
       .dataBytes = 512},
      {.id = CommandId::ReadDeviceStatus,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadDeviceStatus(b); },
       .block = Hex("F0 81 07 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 07 00 01 00 00 00 00 00 00 40 81 00"),
       .dataBytes = 512},
      // ---- Vendor commands: running code and firmware (codes of our own) ----
      {.id = CommandId::JumpToBoot,
       .call = [](CDeviceCommand& c, B&) { return c.JumpToBoot(); },
       .block = Hex("F0 82 01 00 00 00 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 01 00 00 00 00 00 00 00 00 40 82 00")},
      {.id = CommandId::ForceToBoot,
       .call = [](CDeviceCommand& c, B&) { return c.ForceToBoot(); },
       .block = Hex("F0 82 02 00 00 00 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 02 00 00 00 00 00 00 00 00 40 82 00")},
      {.id = CommandId::WritePram,
       .call = [](CDeviceCommand& c, B& b) { return c.WritePram(b, 256, 128); },
       .sectors = 128,
       .argument = 256,
       .block = Hex("F0 82 03 02 00 80 00 00 00 00 01 00 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 03 00 80 00 00 00 01 00 00 40 82 00"),
       .dataBytes = 128 * 512},
      {.id = CommandId::ReadPram,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadPram(b, 384, 4); },
       .sectors = 4,
       .argument = 384,
       .block = Hex("F0 82 04 01 00 04 00 00 00 00 01 80 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 04 00 04 00 80 00 01 00 00 40 82 00"),
       .dataBytes = 4 * 512},
      {.id = CommandId::StartPram,
       .call = [](CDeviceCommand& c, B&) { return c.StartPram(0xBEEF); },
       .argument = 0xBEEF,
       .block = Hex("F0 82 05 00 00 00 00 00 00 00 BE EF 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 05 00 00 00 EF 00 BE 00 00 40 82 00")},
      {.id = CommandId::WriteFlashCode,
       .call = [](CDeviceCommand& c, B& b) { return c.WriteFlashCode(b, 1024, 100); },
       .sectors = 100,
       .argument = 1024,
       .block = Hex("F0 82 06 02 00 64 00 00 00 00 04 00 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 06 00 64 00 00 00 04 00 00 40 82 00"),
       .dataBytes = 100 * 512},
      {.id = CommandId::ReadFlashCode,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadFlashCode(b, 2048, 1); },
       .sectors = 1,
       .argument = 2048,
       .block = Hex("F0 82 07 01 00 01 00 00 00 00 08 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 07 00 01 00 00 00 08 00 00 40 82 00"),
       .dataBytes = 512},
      {.id = CommandId::EraseIspCode,
       .call = [](CDeviceCommand& c, B&) { return c.EraseIspCode(); },
       .block = Hex("F0 82 08 00 00 00 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 08 00 00 00 00 00 00 00 00 40 82 00")},
      {.id = CommandId::StartFlashCode,
       .call = [](CDeviceCommand& c, B&) { return c.StartFlashCode(); },
       .block = Hex("F0 82 0B 00 00 00 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 0B 00 00 00 00 00 00 00 00 40 82 00")},
      {.id = CommandId::ReadInfoCode,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadInfoCode(b); },
       .block = Hex("F0 82 09 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 09 00 01 00 00 00 00 00 00 40 82 00"),
       .dataBytes = 512},
      {.id = CommandId::WriteInfoCode,
       .call = [](CDeviceCommand& c, B& b) { return c.WriteInfoCode(b); },
       .block = Hex("F0 82 0A 02 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 0A 00 01 00 00 00 00 00 00 40 82 00"),
       .dataBytes = 512},
      // ---- Vendor commands: flash work (codes of our own) ----
      // Erase type 9 with the polling flag (argument bit 24).
      {.id = CommandId::EraseByType,
       .call = [](CDeviceCommand& c, B&) { return c.EraseByType(9, true); },
       .argument = 0x01000009,
       .block = Hex("F0 83 01 00 00 00 00 00 01 00 00 09 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 01 00 00 01 09 00 00 00 00 40 83 00")},
      // Scan mode 2, the first (early-bad) scan, no polling.
      {.id = CommandId::ScanFlash,
       .call = [](CDeviceCommand& c, B&) { return c.ScanFlash(2, true, false); },
       .argument = 0x102,
       .block = Hex("F0 83 02 00 00 00 00 00 00 00 01 02 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 02 00 00 00 02 00 01 00 00 40 83 00")},
      {.id = CommandId::WindowScan,
       .call = [](CDeviceCommand& c, B& b) { return c.WindowScan(b); },
       .block = Hex("F0 83 03 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 03 00 01 00 00 00 00 00 00 40 83 00"),
       .dataBytes = 512},
      {.id = CommandId::SetCeMap,
       .call = [](CDeviceCommand& c, B&) { return c.SetCeMap(0xA55A); },
       .argument = 0xA55A,
       .block = Hex("F0 83 04 00 00 00 00 00 00 00 A5 5A 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 04 00 00 00 5A 00 A5 00 00 40 83 00")},
      // CE map 0x00FF, options 1 (keep RDT) in bits 23..16, the polling flag in bit 24.
      {.id = CommandId::Preformat,
       .call = [](CDeviceCommand& c, B& b) { return c.Preformat(b, 3, 0x00FF, 1, true); },
       .sectors = 3,
       .argument = 0x010100FF,
       .block = Hex("F0 83 05 02 00 03 00 00 01 01 00 FF 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 05 00 03 01 FF 00 00 00 01 40 83 00"),
       .dataBytes = 3 * 512},
      {.id = CommandId::ResetSmart,
       .call = [](CDeviceCommand& c, B&) { return c.ResetSmart(); },
       .block = Hex("F0 83 06 00 00 00 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 06 00 00 00 00 00 00 00 00 40 83 00")},
      // ---- Vendor commands: tables and records (codes of our own) ----
      {.id = CommandId::ReadInfoBlock,
       .call = [](CDeviceCommand& c, B& b) { return c.DirectReadInfoBlock(b, 0); },
       .block = Hex("F0 84 01 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 01 00 01 00 00 00 00 00 00 40 84 00"),
       .dataBytes = 512},
      {.id = CommandId::WriteInfoBlock,
       .call = [](CDeviceCommand& c, B& b) { return c.DirectWriteInfoBlock(b, 1); },
       .argument = 1,
       .block = Hex("F0 84 02 02 00 01 00 00 00 00 00 01 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 02 00 01 00 01 00 00 00 00 40 84 00"),
       .dataBytes = 512},
      {.id = CommandId::ReadBbtParameter,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadBbtParameter(b); },
       .block = Hex("F0 84 03 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 03 00 01 00 00 00 00 00 00 40 84 00"),
       .dataBytes = 512},
      {.id = CommandId::ReadBadBlockTable,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadBadBlockTable(b, 128, 64); },
       .sectors = 64,
       .argument = 128,
       .block = Hex("F0 84 04 01 00 40 00 00 00 00 00 80 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 04 00 40 00 80 00 00 00 00 40 84 00"),
       .dataBytes = 64 * 512},
      {.id = CommandId::WriteBadBlockTable,
       .call = [](CDeviceCommand& c, B& b) { return c.WriteBadBlockTable(b, 0, 2); },
       .sectors = 2,
       .block = Hex("F0 84 05 02 00 02 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 05 00 02 00 00 00 00 00 00 40 84 00"),
       .dataBytes = 2 * 512},
      {.id = CommandId::ReadThirdPartyTable,
       .call = [](CDeviceCommand& c, B& b) { return c.Read3rdBbt(b, 8, 0x0B); },
       .sectors = 8,
       .argument = 0x0B,
       .block = Hex("F0 84 06 01 00 08 00 00 00 00 00 0B 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 06 00 08 00 0B 00 00 00 00 40 84 00"),
       .dataBytes = 8 * 512},
      {.id = CommandId::WriteThirdPartyTable,
       .call = [](CDeviceCommand& c, B& b) { return c.Write3rdBbt(b, 3, 0x21); },
       .sectors = 3,
       .argument = 0x21,
       .block = Hex("F0 84 07 02 00 03 00 00 00 00 00 21 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 07 00 03 00 21 00 00 00 00 40 84 00"),
       .dataBytes = 3 * 512},
      {.id = CommandId::WriteRdtInfo,
       .call = [](CDeviceCommand& c, B& b) { return c.WriteRdtInfo(b); },
       .block = Hex("F0 84 08 02 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 0B 06 00 08 00 01 00 00 00 00 00 00 40 84 00"),
       .dataBytes = 512},
      // Selector 1 (info block) in bits 23..16, first sector 256.
      {.id = CommandId::ReadDebugData,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadDebugData(b, 1, 256, 128); },
       .sectors = 128,
       .argument = 0x10100,
       .block = Hex("F0 84 09 01 00 80 00 00 00 01 01 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 09 00 80 00 00 00 01 00 01 40 84 00"),
       .dataBytes = 128 * 512},
      // ---- Vendor commands: eFuses and DRAM (codes of our own) ----
      {.id = CommandId::ReadEFuse,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadEFuse(b); },
       .block = Hex("F0 85 01 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 01 00 01 00 00 00 00 00 00 40 85 00"),
       .dataBytes = 512},
      // UART (01) and AES (04).
      {.id = CommandId::CutEFuse,
       .call = [](CDeviceCommand& c, B&) { return c.CutEFuse(true, false, true); },
       .argument = 0x05,
       .block = Hex("F0 85 02 00 00 00 00 00 00 00 00 05 40 00 00 00"),
       .bridgeBlock = Hex("85 07 00 00 02 00 00 00 05 00 00 00 00 40 85 00")},
      {.id = CommandId::WriteDram,
       .call = [](CDeviceCommand& c, B& b) { return c.WriteDram(b, 0x4000, 128); },
       .sectors = 128,
       .argument = 0x4000,
       .block = Hex("F0 85 03 04 00 80 00 00 00 00 40 00 40 00 00 00"),
       .bridgeBlock = Hex("85 0D 06 00 03 00 80 00 00 00 40 00 00 40 85 00"),
       .dataBytes = 128 * 512},
      {.id = CommandId::ReadDram,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadDram(b, 0x4080, 16); },
       .sectors = 16,
       .argument = 0x4080,
       .block = Hex("F0 85 04 03 00 10 00 00 00 00 40 80 40 00 00 00"),
       .bridgeBlock = Hex("85 0D 0E 00 04 00 10 00 80 00 40 00 00 40 85 00"),
       .dataBytes = 16 * 512},
      // ---- Vendor commands: the RDT results family, command 21 ----
      // Sub-operation 50: the bad-block log; byte argument 0 in bits 23..16, first sector 384.
      {.id = CommandId::GetRdtBadBlockLog,
       .call = [](CDeviceCommand& c, B& b) { return c.Get_RDT_BadBlock_Log(b, 0, 384, 128); },
       .sectors = 128,
       .argument = 384,
       .block = Hex("F0 21 50 01 00 80 00 00 00 00 01 80 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 50 00 80 00 80 00 01 00 00 40 21 00"),
       .dataBytes = 128 * 512},
      // Sub-operation 51 (of our own): the temperature/time log; byte argument 3, first sector 128.
      {.id = CommandId::GetRdtTemperatureTimeLog,
       .call = [](CDeviceCommand& c, B& b) { return c.Get_RDT_Temperature_Time_Log(b, 3, 128, 17); },
       .sectors = 17,
       .argument = 0x30080,
       .block = Hex("F0 21 51 01 00 11 00 00 00 03 00 80 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 51 00 11 00 80 00 00 00 03 40 21 00"),
       .dataBytes = 17 * 512},
      // Sub-operation 52 (of our own): the DRAM (SDR) test log, first sector 5.
      {.id = CommandId::GetRdtSdrLog,
       .call = [](CDeviceCommand& c, B& b) { return c.Get_RDT_SDR_Log(b, 1, 5); },
       .sectors = 1,
       .argument = 5,
       .block = Hex("F0 21 52 01 00 01 00 00 00 00 00 05 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 52 00 01 00 05 00 00 00 00 40 21 00"),
       .dataBytes = 512},
      // Sub-operation 53 (of our own): the RDT information record.
      {.id = CommandId::ReadRdtInfo,
       .call = [](CDeviceCommand& c, B& b) { return c.ReadRdtInfo(b); },
       .block = Hex("F0 21 53 01 00 01 00 00 00 00 00 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 53 00 01 00 00 00 00 00 00 40 21 00"),
       .dataBytes = 512},
      // Sub-operation 54: the special-test log, 128 sectors from sector 256.
      {.id = CommandId::GetRdtBadBlockSpecialLog,
       .call = [](CDeviceCommand& c, B& b) { return c.Get_RDT_BadBlock_SpecialLog(b, 128, 256); },
       .sectors = 128,
       .argument = 256,
       .block = Hex("F0 21 54 01 00 80 00 00 00 00 01 00 40 00 00 00"),
       .bridgeBlock = Hex("85 09 0E 00 54 00 80 00 00 00 01 00 00 40 21 00"),
       .dataBytes = 128 * 512},
      // ---- Tester-board commands (codes of our own), one block in both modes ----
      // Power off, DEVSLP control 1.
      {.id = CommandId::TesterSetPower,
       .call = [](CDeviceCommand& c, B&) { return c.TesterSetPower(0, 0, 0, 1); },
       .parameters = {0, 0, 0, 1},
       .block = Hex("F1 01 00 00 00 00 01 00 00 00 00 00 00 00 00 00")},
      {.id = CommandId::TesterCardDetect,
       .call = [](CDeviceCommand& c, B&) { std::uint8_t state; return c.TesterCardDetect(state); },
       .block = Hex("F1 02 01 00 00 00 00 00 00 02 00 00 00 00 00 00"),
       .dataBytes = 512},
      // The present current (selector 1).
      {.id = CommandId::TesterReadCurrent,
       .call = [](CDeviceCommand& c, B&) { double milliamps; return c.TesterReadCurrent(1, milliamps); },
       .parameters = {1, 0, 0, 0},
       .block = Hex("F1 03 01 01 00 00 00 00 00 02 00 00 00 00 00 00"),
       .dataBytes = 512},
      // The 528-byte USB page.
      {.id = CommandId::TesterReadUsbPage,
       .call = [](CDeviceCommand& c, B& b) { return c.TesterReadUsbPage(b); },
       .block = Hex("F1 04 01 00 00 00 00 00 00 02 10 00 00 00 00 00"),
       .dataBytes = 528},
      {.id = CommandId::TesterSetDevSleep,
       .call = [](CDeviceCommand& c, B&) { return c.TesterSetDevSleep(true); },
       .parameters = {1, 0, 0, 0},
       .block = Hex("F1 05 00 01 00 00 00 00 00 00 00 00 00 00 00 00")},
      // ---- SCSI commands ----
      // INQUIRY (6), standard data, 96 bytes.
      {.id = CommandId::Inquiry,
       .call = [](CDeviceCommand& c, B& b) { return c.Inquiry(b); },
       .block = Hex("12 00 00 00 60 00"),
       .blockLength = 6,
       .dataBytes = 96},
      // READ CAPACITY (16): SERVICE ACTION IN (16), service action 10, 32 bytes.
      {.id = CommandId::ReadCapacity16,
       .call = [](CDeviceCommand& c, B&) { std::uint64_t lba; std::uint32_t length; return c.ReadCapacity16(lba, length); },
       .block = Hex("9E 10 00 00 00 00 00 00 00 00 00 00 00 20 00 00"),
       .dataBytes = 32},
      // READ CAPACITY (10): no fields, 8 bytes.
      {.id = CommandId::ReadCapacity10,
       .call =
           [](CDeviceCommand& c, B&) {
             std::uint64_t lba;
             std::uint32_t length;
             return c.ReadCapacity10(lba, length);
           },
       .block = Hex("25 00 00 00 00 00 00 00 00 00"),
       .blockLength = 10,
       .dataBytes = 8},
  };
}

void SendEveryCall(bool bridge, const std::function<void(const CommandCall&, const RecordedRequest&)>& check) {
  InstalledFakeTransport transport(NumberedDisks(3));
  BridgeMode mode(bridge ? 1 : 0);
  ListDrives();
  std::set<device::CommandId> covered;
  for (const CommandCall& call : AllCommandCalls()) {
    transport->ClearRequests();
    CDeviceCommand command(2);
    std::vector<std::uint8_t> buffer(128 * 1024, 0);
    call.call(command, buffer);
    const auto requests = transport->Requests();
    ASSERT_EQ(requests.size(), 1u) << device::Spec(call.id).name;
    EXPECT_EQ(requests[0].devicePath, "/dev/fake2");
    EXPECT_EQ(command.LastCommand(), call.id);
    check(call, requests[0]);
    covered.insert(call.id);
  }
  EXPECT_EQ(covered.size(), device::kCommandCount) << "every command of the table is issued by one method";
}

}  // namespace devicetest
