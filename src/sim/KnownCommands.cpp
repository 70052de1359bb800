#include "sim/KnownCommands.h"

#include <array>

namespace sim {

namespace {

using device::CommandFamily;
using device::CommandId;
using P = device::TransferProtocol;

constexpr std::uint8_t kAtaSmart = 0xB0;

constexpr std::array kKnown{
    // ATA commands (ATA/ATAPI command set).
    KnownCommand{CommandId::IdentifyDevice, CommandFamily::Ata, 0xEC, 0x00, P::PioIn},
    KnownCommand{CommandId::SmartReadData, CommandFamily::Ata, kAtaSmart, 0xD0, P::PioIn},
    KnownCommand{CommandId::SmartReturnStatus, CommandFamily::Ata, kAtaSmart, 0xDA, P::NonData},
    KnownCommand{CommandId::SecuritySetPassword, CommandFamily::Ata, 0xF1, 0x00, P::PioOut},
    KnownCommand{CommandId::SecurityErasePrepare, CommandFamily::Ata, 0xF3, 0x00, P::NonData},
    KnownCommand{CommandId::SecurityEraseUnit, CommandFamily::Ata, 0xF4, 0x00, P::PioOut},
    KnownCommand{CommandId::DownloadMicrocode, CommandFamily::Ata, 0x92, 0x00, P::PioOut},
    KnownCommand{CommandId::StandbyImmediate, CommandFamily::Ata, 0xE0, 0x00, P::NonData},
    KnownCommand{CommandId::ReadDmaExt, CommandFamily::Ata, 0x25, 0x00, P::DmaIn},
    KnownCommand{CommandId::WriteDmaExt, CommandFamily::Ata, 0x35, 0x00, P::DmaOut},
    KnownCommand{CommandId::ReadSectorsExt, CommandFamily::Ata, 0x24, 0x00, P::PioIn},
    KnownCommand{CommandId::WriteSectorsExt, CommandFamily::Ata, 0x34, 0x00, P::PioOut},
    // Vendor commands: access and identification.
    KnownCommand{CommandId::SetApKey, CommandFamily::Vendor, 0x80, 0x01, P::PioIn},
    KnownCommand{CommandId::ReadFirmwareName, CommandFamily::Vendor, 0x81, 0x01, P::PioIn},
    KnownCommand{CommandId::GetSystemInfo, CommandFamily::Vendor, 0x81, 0x02, P::PioIn},
    KnownCommand{CommandId::ReadFlashId, CommandFamily::Vendor, 0x81, 0x03, P::PioIn},
    KnownCommand{CommandId::ScanAllFlashId, CommandFamily::Vendor, 0x81, 0x04, P::PioIn},
    KnownCommand{CommandId::ReadUniqueId, CommandFamily::Vendor, 0x81, 0x05, P::PioIn},
    KnownCommand{CommandId::ReadRegister, CommandFamily::Vendor, 0x81, 0x06, P::PioIn},
    KnownCommand{CommandId::ReadDeviceStatus, CommandFamily::Vendor, 0x81, 0x07, P::PioIn},
    // Vendor commands: running code and firmware.
    KnownCommand{CommandId::JumpToBoot, CommandFamily::Vendor, 0x82, 0x01, P::NonData},
    KnownCommand{CommandId::ForceToBoot, CommandFamily::Vendor, 0x82, 0x02, P::NonData},
    KnownCommand{CommandId::WritePram, CommandFamily::Vendor, 0x82, 0x03, P::PioOut},
    KnownCommand{CommandId::ReadPram, CommandFamily::Vendor, 0x82, 0x04, P::PioIn},
    KnownCommand{CommandId::StartPram, CommandFamily::Vendor, 0x82, 0x05, P::NonData},
    KnownCommand{CommandId::WriteFlashCode, CommandFamily::Vendor, 0x82, 0x06, P::PioOut},
    KnownCommand{CommandId::ReadFlashCode, CommandFamily::Vendor, 0x82, 0x07, P::PioIn},
    KnownCommand{CommandId::EraseIspCode, CommandFamily::Vendor, 0x82, 0x08, P::NonData},
    KnownCommand{CommandId::ReadInfoCode, CommandFamily::Vendor, 0x82, 0x09, P::PioIn},
    KnownCommand{CommandId::WriteInfoCode, CommandFamily::Vendor, 0x82, 0x0A, P::PioOut},
    KnownCommand{CommandId::StartFlashCode, CommandFamily::Vendor, 0x82, 0x0B, P::NonData},
    // Vendor commands: flash work.
    KnownCommand{CommandId::EraseByType, CommandFamily::Vendor, 0x83, 0x01, P::NonData},
    KnownCommand{CommandId::ScanFlash, CommandFamily::Vendor, 0x83, 0x02, P::NonData},
    KnownCommand{CommandId::WindowScan, CommandFamily::Vendor, 0x83, 0x03, P::PioIn},
    KnownCommand{CommandId::SetCeMap, CommandFamily::Vendor, 0x83, 0x04, P::NonData},
    KnownCommand{CommandId::Preformat, CommandFamily::Vendor, 0x83, 0x05, P::PioOut},
    KnownCommand{CommandId::ResetSmart, CommandFamily::Vendor, 0x83, 0x06, P::NonData},
    // Vendor commands: tables and records.
    KnownCommand{CommandId::ReadInfoBlock, CommandFamily::Vendor, 0x84, 0x01, P::PioIn},
    KnownCommand{CommandId::WriteInfoBlock, CommandFamily::Vendor, 0x84, 0x02, P::PioOut},
    KnownCommand{CommandId::ReadBbtParameter, CommandFamily::Vendor, 0x84, 0x03, P::PioIn},
    KnownCommand{CommandId::ReadBadBlockTable, CommandFamily::Vendor, 0x84, 0x04, P::PioIn},
    KnownCommand{CommandId::WriteBadBlockTable, CommandFamily::Vendor, 0x84, 0x05, P::PioOut},
    KnownCommand{CommandId::ReadThirdPartyTable, CommandFamily::Vendor, 0x84, 0x06, P::PioIn},
    KnownCommand{CommandId::WriteThirdPartyTable, CommandFamily::Vendor, 0x84, 0x07, P::PioOut},
    KnownCommand{CommandId::WriteRdtInfo, CommandFamily::Vendor, 0x84, 0x08, P::PioOut},
    KnownCommand{CommandId::ReadDebugData, CommandFamily::Vendor, 0x84, 0x09, P::PioIn},
    // Vendor commands: eFuses and DRAM.
    KnownCommand{CommandId::ReadEFuse, CommandFamily::Vendor, 0x85, 0x01, P::PioIn},
    KnownCommand{CommandId::CutEFuse, CommandFamily::Vendor, 0x85, 0x02, P::NonData},
    KnownCommand{CommandId::WriteDram, CommandFamily::Vendor, 0x85, 0x03, P::DmaOut},
    KnownCommand{CommandId::ReadDram, CommandFamily::Vendor, 0x85, 0x04, P::DmaIn},
    // Vendor commands: the RDT results family.
    KnownCommand{CommandId::GetRdtBadBlockLog, CommandFamily::Vendor, 0x21, 0x50, P::PioIn},
    KnownCommand{CommandId::GetRdtTemperatureTimeLog, CommandFamily::Vendor, 0x21, 0x51, P::PioIn},
    KnownCommand{CommandId::GetRdtSdrLog, CommandFamily::Vendor, 0x21, 0x52, P::PioIn},
    KnownCommand{CommandId::ReadRdtInfo, CommandFamily::Vendor, 0x21, 0x53, P::PioIn},
    KnownCommand{CommandId::GetRdtBadBlockSpecialLog, CommandFamily::Vendor, 0x21, 0x54, P::PioIn},
    // Tester-board functions.
    KnownCommand{CommandId::TesterSetPower, CommandFamily::Tester, 0x01, 0x00, P::NonData},
    KnownCommand{CommandId::TesterCardDetect, CommandFamily::Tester, 0x02, 0x00, P::PioIn},
    KnownCommand{CommandId::TesterReadCurrent, CommandFamily::Tester, 0x03, 0x00, P::PioIn},
    KnownCommand{CommandId::TesterReadUsbPage, CommandFamily::Tester, 0x04, 0x00, P::PioIn},
    KnownCommand{CommandId::TesterSetDevSleep, CommandFamily::Tester, 0x05, 0x00, P::NonData},
    // SCSI commands.
    KnownCommand{CommandId::Inquiry, CommandFamily::Scsi, kInquiryBlock, 0x00, P::PioIn},
    KnownCommand{CommandId::ReadCapacity16, CommandFamily::Scsi, kServiceActionIn16Block, kReadCapacity16Action,
                 P::PioIn},
    KnownCommand{CommandId::ReadCapacity10, CommandFamily::Scsi, kReadCapacity10Block, 0x00, P::PioIn},
};

}  // namespace

std::span<const KnownCommand> KnownCommands() { return kKnown; }

const KnownCommand* FindKnownCommand(CommandFamily family, std::uint8_t code, std::uint8_t subOperation) {
  const bool subOperationNames = family != CommandFamily::Ata || code == kAtaSmart;
  for (const KnownCommand& known : kKnown) {
    if (known.family == family && known.code == code && (!subOperationNames || known.subOperation == subOperation)) {
      return &known;
    }
  }
  return nullptr;
}

}  // namespace sim
