#include "sim/SlotCommands.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "device/ByteOrder.h"
#include "device/ReplyLayouts.h"
#include "sim/KnownCommands.h"
#include "sim/ScsiReplies.h"

namespace sim {

namespace {

using device::CommandFamily;
using device::CommandId;
using device::CommandSpec;
using device::PassThroughRequest;
using device::PassThroughResult;
using device::TransferProtocol;

constexpr std::size_t kSectorBytes = 512;

// Whether a data command's length in sectors is one its table entry allows.
bool SectorsFit(const CommandSpec& spec, std::uint32_t sectors) {
  return spec.transfer == device::TransferRule::None ||
         static_cast<std::uint64_t>(sectors) * kSectorBytes == device::TransferBytes(spec, sectors);
}

std::uint32_t DataBytes(const CommandSpec& spec, std::uint32_t sectors) {
  return spec.transfer == device::TransferRule::None ? 0 : sectors * static_cast<std::uint32_t>(kSectorBytes);
}

// A command the simulated station knows by its bytes: its sizes are those of the station's
// table entry of the same command, its data moves the way the simulator knows it to.
void TakeKnown(const KnownCommand& known, DecodedCommand& command) {
  command.spec = &device::Spec(known.id);
  command.protocol = known.protocol;
}

// A known command counted in sectors. A request that moves its data in another way than the
// drive does for that command, or a length the command cannot have, is an invalid field.
void Recognise(const KnownCommand& known, TransferProtocol sentProtocol, std::uint32_t sectors,
               DecodedCommand& command) {
  TakeKnown(known, command);
  command.dataBytes = DataBytes(*command.spec, sectors);
  command.invalidField = !SectorsFit(*command.spec, sectors) || known.protocol != sentProtocol;
}

DecodedCommand DecodeAta(const device::cdb::AtaPassThroughFields& fields) {
  DecodedCommand command;
  command.registers = fields.taskFile;
  command.checkCondition = fields.checkCondition;
  // The bridge form of a vendor command: its command and features name a vendor command.
  const std::uint8_t code = fields.taskFile.command;
  const auto features = static_cast<std::uint8_t>(fields.taskFile.features);
  if (const KnownCommand* vendor = FindKnownCommand(CommandFamily::Vendor, code, features)) {
    command.vendor = device::cdb::VendorFieldsOfAtaPassThrough(fields);
    Recognise(*vendor, fields.protocol, fields.transferSectors, command);
    return command;
  }
  if (const KnownCommand* ata = FindKnownCommand(CommandFamily::Ata, code, features)) {
    Recognise(*ata, fields.protocol, fields.transferSectors, command);
  }
  return command;
}

DecodedCommand DecodeVendor(const device::cdb::VendorFields& fields) {
  DecodedCommand command;
  command.vendor = fields;
  if (const KnownCommand* vendor = FindKnownCommand(CommandFamily::Vendor, fields.command, fields.subOperation)) {
    Recognise(*vendor, fields.protocol, fields.count, command);
  }
  return command;
}

DecodedCommand DecodeTester(const device::cdb::TesterFields& fields) {
  DecodedCommand command;
  command.tester = fields;
  const KnownCommand* tester = FindKnownCommand(CommandFamily::Tester, fields.function, 0);
  if (!tester) return command;
  TakeKnown(*tester, command);
  command.dataBytes = fields.transferLength;
  command.invalidField = tester->protocol != fields.protocol ||
                         fields.transferLength != device::TransferBytes(*command.spec, 0);
  return command;
}

// A SCSI command answers with at most its allocation length.
DecodedCommand DecodeScsi(std::uint8_t operationCode, std::uint8_t serviceAction, std::uint32_t allocationLength) {
  DecodedCommand command;
  const KnownCommand* scsi = FindKnownCommand(CommandFamily::Scsi, operationCode, serviceAction);
  if (!scsi) return command;
  TakeKnown(*scsi, command);
  command.allocationLength = allocationLength;
  command.dataBytes = allocationLength;
  return command;
}

}  // namespace

DecodedCommand DecodeCommand(const PassThroughRequest& request) {
  const auto& bytes = request.cdb;
  switch (bytes[0]) {
    case kAtaPassThrough16Block:
      if (const auto fields = device::cdb::DecodeAtaPassThrough(bytes)) return DecodeAta(*fields);
      break;
    case kVendorBlock:
      if (const auto fields = device::cdb::DecodeVendorCdb(bytes)) return DecodeVendor(*fields);
      break;
    case kTesterBlock:
      if (const auto fields = device::cdb::DecodeTesterCdb(bytes)) return DecodeTester(*fields);
      break;
    case kInquiryBlock:
      if (const auto length = device::cdb::DecodeInquiryCdb(bytes)) return DecodeScsi(kInquiryBlock, 0, *length);
      break;
    case kServiceActionIn16Block:
      if (const auto length = device::cdb::DecodeReadCapacity16Cdb(bytes)) {
        return DecodeScsi(kServiceActionIn16Block, kReadCapacity16Action, *length);
      }
      break;
    case kReadCapacity10Block:
      if (device::cdb::IsReadCapacity10Cdb(bytes)) {
        return DecodeScsi(kReadCapacity10Block, 0, sizeof(device::ReadCapacity10Data));
      }
      break;
    default:
      break;
  }
  return DecodedCommand{};
}

std::uint32_t CommandDurationMs(const DecodedCommand& command) {
  if (!command.spec) return 0;
  const bool polled = (command.vendor.argument & device::kArgumentPollingFlag) != 0;
  switch (command.spec->id) {
    case CommandId::EraseByType: return polled ? 100 : 3000;
    case CommandId::ScanFlash: return polled ? 100 : 4000;
    case CommandId::Preformat: return polled ? 100 : 1500;
    case CommandId::WindowScan: return 1500;
    case CommandId::SecurityEraseUnit: return 2000;
    case CommandId::TesterSetPower: return 800;
    case CommandId::JumpToBoot:
    case CommandId::ForceToBoot:
    case CommandId::StartFlashCode: return 500;
    case CommandId::StartPram: return 200;
    case CommandId::WriteFlashCode:
    case CommandId::DownloadMicrocode: return 30;
    case CommandId::WritePram: return 10;
    default: return 1;
  }
}

namespace {

// Everything a command handler needs: the slot, its board, the request and the result.
class CommandRun {
 public:
  CommandRun(SimSlot& slot, const BoardProfile& board, const DecodedCommand& command, PassThroughRequest& request,
             PassThroughResult& result)
      : m_slot(slot), m_board(board), m_command(command), m_request(request), m_result(result),
        m_data(request.data, request.dataLength) {}

  void Run();

 private:
  void RunScsi();
  void RunTester();
  void RunAta(SimDrive& drive);
  void RunVendor(SimDrive& drive);

  // Copies a reply into the caller's buffer (never more than the buffer holds).
  void Reply(std::span<const std::uint8_t> bytes) {
    const std::size_t length = std::min(bytes.size(), m_data.size());
    std::copy_n(bytes.begin(), length, m_data.begin());
    std::fill(m_data.begin() + static_cast<std::ptrdiff_t>(length), m_data.end(), 0);
    m_result.transferred = static_cast<std::uint32_t>(m_data.size());
  }
  template <typename Record>
  void ReplyRecord(const Record& record) {
    Reply(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&record), sizeof(record)));
  }
  // The outcome of a drive operation that filled (data in) or took (data out) the buffer.
  void Finish(DriveStatus status) {
    if (status == DriveStatus::Ok) {
      m_result.transferred = static_cast<std::uint32_t>(m_data.size());
      if (m_command.checkCondition) ReturnRegisters(kAtaStatusReady, 0, m_command.registers.lba);
      return;
    }
    m_result.transferred = 0;
    if (status == DriveStatus::Gone) {
      SetFixedSense(m_result, kSenseNotReady, kAscMediumNotPresent, 0);
    } else {
      ReturnRegisters(kAtaStatusReadyError, kAtaErrorAbort, m_command.registers.lba);
    }
  }
  void ReturnRegisters(std::uint8_t status, std::uint8_t error, std::uint64_t lba) {
    device::AtaOutputRegisters registers;
    registers.status = status;
    registers.error = error;
    registers.lba = lba;
    registers.count = m_command.registers.count;
    registers.device = m_command.registers.device;
    const bool failed = error != 0;
    SetAtaSense(m_result, failed ? kSenseAbortedCommand : kSenseRecoveredError, 0,
                failed ? 0 : kAscqAtaInformationAvailable, registers);
  }
  std::uint32_t Sectors() const { return static_cast<std::uint32_t>(m_data.size() / kSectorBytes); }
  std::uint64_t Argument() const { return m_command.vendor.argument; }
  std::span<const std::uint8_t> In() const { return m_data; }

  SimSlot& m_slot;
  const BoardProfile& m_board;
  const DecodedCommand& m_command;
  PassThroughRequest& m_request;
  PassThroughResult& m_result;
  std::span<std::uint8_t> m_data;
};

void CommandRun::Run() {
  const CommandSpec& spec = *m_command.spec;
  if (spec.family == CommandFamily::Scsi) return RunScsi();
  if (spec.family == CommandFamily::Tester) return RunTester();
  const std::shared_ptr<SimDrive> drive = m_slot.Drive();
  if (!drive || !drive->Present()) return SetFixedSense(m_result, kSenseNotReady, kAscMediumNotPresent, 0);
  if (!drive->Powered()) return SetFixedSense(m_result, kSenseNotReady, kAscNotReady, 0);
  if (spec.family == CommandFamily::Ata) return RunAta(*drive);
  RunVendor(*drive);
}

void CommandRun::RunScsi() {
  if (m_command.spec->id == CommandId::Inquiry) {
    const auto data = EncodeTesterInquiry(m_board.product, m_board.versionMajor, m_board.versionMinor,
                                          static_cast<std::uint8_t>(m_slot.TesterNumber()));
    ReplyRecord(data);
    return;
  }
  const std::shared_ptr<SimDrive> drive = m_slot.Drive();
  if (!drive || !drive->Answers()) return SetFixedSense(m_result, kSenseNotReady, kAscMediumNotPresent, 0);
  if (m_command.spec->id == CommandId::ReadCapacity10) {
    ReplyRecord(EncodeReadCapacity10(drive->UserSectors()));
    return;
  }
  ReplyRecord(EncodeReadCapacity16(drive->UserSectors()));
}

void CommandRun::RunTester() {
  const auto& parameters = m_command.tester.parameters;
  const std::shared_ptr<SimDrive> drive = m_slot.Drive();
  switch (m_command.spec->id) {
    case CommandId::TesterSetPower:
      // Switching power releases DEVSLP, unless the call's DEVSLP control asks to keep it.
      m_slot.SetPower(parameters[0] != 0);
      m_slot.SetDevSleep(parameters[3] != 0 && m_slot.DevSleep());
      return;
    case CommandId::TesterCardDetect: {
      device::CardDetectReply reply{};
      reply.state = !drive ? device::kCardEmpty : (m_slot.SlotPowered() ? device::kCardPresent : device::kCardNoPower);
      if (const auto reported = m_slot.ReportedCardState()) reply.state = *reported;
      return ReplyRecord(reply);
    }
    case CommandId::TesterReadCurrent: {
      device::CurrentReply reply{};
      std::uint32_t milliamps = 0;
      if (drive && m_slot.SlotPowered()) {
        milliamps = parameters[0] == device::kCurrentMaximum ? kPeakCurrentMa : kIdleCurrentMa;
      }
      device::StoreLittleEndian(reply.centiMilliamps, 4, milliamps * 100);
      return ReplyRecord(reply);
    }
    case CommandId::TesterReadUsbPage: {
      device::TesterUsbPage page;
      std::memset(&page, 0, sizeof(page));
      page.testerType = m_board.testerType;
      page.firmwareMajor = m_board.versionMajor;
      page.firmwareMinor = m_board.versionMinor;
      page.testerNumber = static_cast<std::uint8_t>(m_slot.TesterNumber());
      page.extraValue = m_board.extraValue;
      return ReplyRecord(page);
    }
    case CommandId::TesterSetDevSleep:
      m_slot.SetDevSleep(parameters[0] != 0);
      return;
    default:
      return SetFixedSense(m_result, kSenseIllegalRequest, kAscInvalidOpcode, 0);
  }
}

void CommandRun::RunAta(SimDrive& drive) {
  const auto& registers = m_command.registers;
  switch (m_command.spec->id) {
    case CommandId::IdentifyDevice: return ReplyRecord(drive.Identify());
    case CommandId::SmartReadData: {
      const auto page = drive.SmartPage();
      return Reply(page);
    }
    case CommandId::SmartReturnStatus: {
      const std::uint64_t lba = drive.SmartThresholdExceeded()
                                    ? (std::uint64_t{device::kSmartThresholdExceededHigh} << 16 |
                                       std::uint64_t{device::kSmartThresholdExceededMid} << 8)
                                    : device::kSmartSignatureLba;
      return ReturnRegisters(kAtaStatusReady, 0, lba);
    }
    case CommandId::SecuritySetPassword:
    case CommandId::SecurityErasePrepare: return Finish(DriveStatus::Ok);
    case CommandId::SecurityEraseUnit: return Finish(drive.SecurityErase());
    case CommandId::DownloadMicrocode: {
      const auto offset = static_cast<std::uint32_t>(((registers.lba >> 8) & 0xFFFF) * kSectorBytes);
      return Finish(drive.DownloadMicrocode(offset, In()));
    }
    case CommandId::StandbyImmediate: return Finish(drive.StandbyImmediate());
    case CommandId::ReadDmaExt:
    case CommandId::ReadSectorsExt: return Finish(drive.ReadSectors(registers.lba, Sectors(), m_data));
    case CommandId::WriteDmaExt:
    case CommandId::WriteSectorsExt: return Finish(drive.WriteSectors(registers.lba, Sectors(), In()));
    default: return SetFixedSense(m_result, kSenseIllegalRequest, kAscInvalidOpcode, 0);
  }
}

void CommandRun::RunVendor(SimDrive& drive) {
  const std::uint64_t argument = Argument();
  const auto low8 = static_cast<unsigned>(argument & 0xFF);
  const auto low16 = static_cast<std::uint16_t>(argument & 0xFFFF);
  const auto low32 = static_cast<std::uint32_t>(argument & 0xFFFFFFFF);
  const bool polled = (argument & device::kArgumentPollingFlag) != 0;
  const auto imageOffset = static_cast<std::uint32_t>(std::min<std::uint64_t>(low32, 0xFFFFFFu) * kSectorBytes);
  switch (m_command.spec->id) {
    case CommandId::SetApKey: {
      device::ApKeyReply reply{};
      const bool keyRight = low32 == device::kApKeyValue;
      reply.enabled = keyRight && drive.SetApKey() == DriveStatus::Ok ? device::kApKeyEnabled : 0;
      return ReplyRecord(reply);
    }
    case CommandId::ReadFirmwareName: {
      device::FirmwareNameReply reply{};
      const std::string name = drive.FirmwareName();
      std::memcpy(reply.name, name.data(), std::min(name.size(), sizeof(reply.name)));
      return ReplyRecord(reply);
    }
    case CommandId::GetSystemInfo: return ReplyRecord(drive.SystemInfo());
    case CommandId::ReadFlashId: return Finish(drive.ReadFlashId(m_data));
    case CommandId::ScanAllFlashId: return Reply(drive.AllFlashIds());
    case CommandId::ReadUniqueId: return Finish(drive.UniqueId(low8, m_data));
    case CommandId::ReadRegister: return Finish(drive.ReadRegister(low32, m_data));
    case CommandId::ReadDeviceStatus: {
      device::DeviceStatusReply reply{};
      reply.ready = drive.PollReady(reply.progress) ? 1 : 0;
      return ReplyRecord(reply);
    }
    case CommandId::JumpToBoot: return Finish(drive.JumpToBoot());
    case CommandId::ForceToBoot: return Finish(drive.ForceToBoot());
    case CommandId::WritePram: return Finish(drive.LoadProgramRam(imageOffset, In()));
    case CommandId::ReadPram: return Finish(drive.ReadProgramRam(imageOffset, m_data));
    case CommandId::StartPram: return Finish(drive.StartProgramRam(low16));
    case CommandId::WriteFlashCode: return Finish(drive.ProgramFlash(imageOffset, In()));
    case CommandId::ReadFlashCode: return Finish(drive.ReadFlashCode(imageOffset, m_data));
    case CommandId::EraseIspCode: return Finish(drive.EraseIspCode());
    case CommandId::StartFlashCode: return Finish(drive.StartFlashCode());
    case CommandId::ReadInfoCode: return Finish(drive.ReadInfoCode(m_data));
    case CommandId::WriteInfoCode: return Finish(drive.WriteInfoCode(In()));
    case CommandId::EraseByType: {
      const DriveStatus status = drive.EraseAll(low8);
      if (status == DriveStatus::Ok && polled) drive.StartBackgroundWork();
      return Finish(status);
    }
    case CommandId::ScanFlash: {
      const DriveStatus status = drive.ScanFlash(((argument >> 8) & 0xFF) == 1);
      if (status == DriveStatus::Ok && polled) drive.StartBackgroundWork();
      return Finish(status);
    }
    case CommandId::WindowScan: return Finish(drive.WindowScan(m_data));
    case CommandId::SetCeMap: return Finish(drive.SetCeMap(low16));
    case CommandId::Preformat: {
      const DriveStatus status = drive.Preformat(In(), low16, static_cast<std::uint8_t>((argument >> 16) & 0xFF));
      if (status == DriveStatus::Ok && polled) drive.StartBackgroundWork();
      return Finish(status);
    }
    case CommandId::ResetSmart: return Finish(drive.ResetSmart());
    case CommandId::ReadInfoBlock: return Finish(drive.ReadInfoBlock(low8, m_data));
    case CommandId::WriteInfoBlock: return Finish(drive.WriteInfoBlock(low8, In()));
    case CommandId::ReadBbtParameter: return ReplyRecord(drive.BbtParameters());
    case CommandId::ReadBadBlockTable: return Finish(drive.ReadBadBlockTable(low32, Sectors(), m_data));
    case CommandId::WriteBadBlockTable: return Finish(drive.WriteBadBlockTable(low32, Sectors(), In()));
    case CommandId::ReadThirdPartyTable: return Finish(drive.ReadThirdPartyTable(low8, m_data));
    case CommandId::WriteThirdPartyTable: return Finish(drive.WriteThirdPartyTable(low8, In()));
    case CommandId::WriteRdtInfo: return Finish(drive.WriteRdtInfo(In()));
    case CommandId::ReadDebugData:
      return Finish(drive.ReadDebugData(static_cast<unsigned>((argument >> 16) & 0xFF), low16, Sectors(), m_data));
    case CommandId::ReadEFuse: return Finish(drive.ReadEFuses(m_data));
    case CommandId::CutEFuse:
      return Finish(drive.CutEFuses((low8 & device::kEFuseUart) != 0, (low8 & device::kEFuseJtag) != 0,
                                    (low8 & device::kEFuseAes) != 0));
    case CommandId::WriteDram: return Finish(drive.WriteDram(low32, In()));
    case CommandId::ReadDram: return Finish(drive.ReadDram(low32, m_data));
    case CommandId::GetRdtBadBlockLog: return Finish(drive.ReadRdtLog(RdtLogKind::BadBlock, low16, Sectors(), m_data));
    case CommandId::GetRdtTemperatureTimeLog:
      return Finish(drive.ReadRdtLog(RdtLogKind::Temperature, low16, Sectors(), m_data));
    case CommandId::GetRdtSdrLog: return Finish(drive.ReadRdtLog(RdtLogKind::Sdr, low16, Sectors(), m_data));
    case CommandId::GetRdtBadBlockSpecialLog:
      return Finish(drive.ReadRdtLog(RdtLogKind::Special, low16, Sectors(), m_data));
    case CommandId::ReadRdtInfo: {
      const auto info = drive.RdtInfo();
      if (!info) return Reply({});
      return ReplyRecord(*info);
    }
    default: return SetFixedSense(m_result, kSenseIllegalRequest, kAscInvalidOpcode, 0);
  }
}

}  // namespace

void RunSlotCommand(SimSlot& slot, const BoardProfile& board, const DecodedCommand& command,
                    PassThroughRequest& request, PassThroughResult& result) {
  if (!command.spec) return SetFixedSense(result, kSenseIllegalRequest, kAscInvalidOpcode, 0);
  const TransferProtocol protocol = command.protocol;
  const device::DataDirection expected = device::IsDataIn(protocol)    ? device::DataDirection::In
                                         : device::IsDataOut(protocol) ? device::DataDirection::Out
                                                                       : device::DataDirection::None;
  const bool lengthRight = expected == device::DataDirection::None ? request.dataLength == 0
                                                                   : request.dataLength == command.dataBytes;
  if (command.invalidField || request.direction != expected || !lengthRight ||
      (request.dataLength != 0 && request.data == nullptr)) {
    return SetFixedSense(result, kSenseIllegalRequest, kAscInvalidFieldInCdb, 0);
  }
  CommandRun(slot, board, command, request, result).Run();
}

}  // namespace sim
