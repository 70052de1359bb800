#include "device/DeviceCommand.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <numeric>
#include <system_error>

#include "device/DevicePaths.h"
#include "device/ReplyLayouts.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Text.h"

namespace device {

const char* CommandErrorName(CommandError error) {
  switch (error) {
    case CommandError::None: return "none";
    case CommandError::NoTransport: return "no transport";
    case CommandError::NoDevice: return "no device";
    case CommandError::BadArgument: return "bad argument";
    case CommandError::NotDelivered: return "not delivered";
    case CommandError::TimedOut: return "timed out";
    case CommandError::HostError: return "host error";
    case CommandError::CheckCondition: return "check condition";
    case CommandError::AtaError: return "ATA error";
    case CommandError::ShortTransfer: return "short transfer";
    case CommandError::BadReply: return "bad reply";
  }
  return "unknown";
}

}  // namespace device

using device::CommandError;
using device::CommandId;
using device::CommandSpec;
using device::PassThroughRequest;

namespace {

// Pause before a request is sent again (scaled by the time scale, so tests do not wait).
constexpr std::uint32_t kRetryPauseMs = 100;
// Sends that a UNIT ATTENTION and a BUSY answer earn besides the command's retries. Five
// resends, the retries the SCSI midlayer allows the sd driver's own commands, cover the
// attentions a reset may queue.
constexpr std::uint32_t kUnitAttentionResends = 5;
constexpr std::uint32_t kBusyResends = 3;

bool AtaStatusFailed(const device::SenseInfo& sense) {
  return sense.hasAtaRegisters && (sense.ata.status & (device::kAtaStatusError | device::kAtaStatusDeviceFault)) != 0;
}

std::string SystemErrorText(int error) { return std::system_category().message(error); }

bool DeviceIsGone(int error) { return error == ENODEV || error == ENOENT || error == ENXIO; }

bool MayPassOnResend(int error) { return error == EINTR || error == EAGAIN || error == EBUSY || error == EIO; }

}  // namespace

CDeviceCommand::CDeviceCommand(int driveNumber) : m_driveNumber(driveNumber) {}

CDeviceCommand::CDeviceCommand(std::string pathText) : m_pathText(std::move(pathText)) {
  if (const auto number = device::ParsePhysicalDrivePath(m_pathText)) m_driveNumber = *number;
}

// ---- the request machinery ---------------------------------------------------------------

std::uint8_t CDeviceCommand::Fail(CommandError error, std::string message) {
  m_lastError = error;
  const char* name = m_lastCommand == CommandId::Count ? "command" : device::Spec(m_lastCommand).name;
  m_lastMessage = platform::Format("%s: %s", name, message.c_str());
  platform::DebugOutput(platform::Format("%s: %s (%s)\n", TargetText().c_str(), m_lastMessage.c_str(),
                                         device::CommandErrorName(error)));
  return 0;
}

std::string CDeviceCommand::TargetText() const {
  return m_pathText.empty() ? platform::Format("drive %d", m_driveNumber) : m_pathText;
}

const CommandSpec* CDeviceCommand::Begin(CommandId id, std::span<std::uint8_t> buffer, std::uint32_t sectorCount,
                                         PassThroughRequest& request) {
  m_lastCommand = id;
  m_lastError = CommandError::None;
  m_lastMessage.clear();
  m_lastResult = device::PassThroughResult{};
  m_lastSense = device::SenseInfo{};
  m_lastAttempts = 0;
  const CommandSpec& spec = device::Spec(id);
  const std::uint32_t bytes = device::TransferBytes(spec, sectorCount);
  if (spec.transfer == device::TransferRule::None) {
    request.direction = device::DataDirection::None;
    request.data = nullptr;
    request.dataLength = 0;
    return &spec;
  }
  if (bytes == 0) {
    Fail(CommandError::BadArgument,
         platform::Format("sector count %u outside 1..%u", sectorCount, spec.maxSectors));
    return nullptr;
  }
  if (buffer.data() == nullptr || buffer.size() < bytes) {
    Fail(CommandError::BadArgument,
         platform::Format("buffer of %zu bytes is shorter than the %u bytes the command moves", buffer.size(), bytes));
    return nullptr;
  }
  request.direction = device::IsDataIn(spec.protocol) ? device::DataDirection::In : device::DataDirection::Out;
  request.data = buffer.data();
  request.dataLength = bytes;
  return &spec;
}

bool CDeviceCommand::BindDisk(const std::shared_ptr<device::Transport>& transport) {
  if (m_disk.transport.lock() == transport) return true;
  std::string identity = m_pathText.empty() ? device::IdentityOfDrive(*transport, m_driveNumber)
                                            : device::IdentityOfPathText(*transport, m_pathText);
  if (identity.empty()) return false;
  m_disk = BoundDisk{transport, std::move(identity)};
  return true;
}

std::string CDeviceCommand::NotFoundText(device::Transport& transport) const {
  // A drive number is looked up in the list of the mode; a path text in the transport's.
  const std::string problem =
      m_pathText.empty() ? device::ListingProblemOfDrives(transport) : transport.ListingProblem();
  if (!problem.empty()) return TargetText() + " is not listed: " + problem;
  // A disk that the list keeps out is connected: what keeps it out is said instead.
  const std::string whyKeptOut = m_pathText.empty() ? device::WhyDriveIsKeptOut(transport, m_driveNumber)
                                                    : device::WhyPathTextIsKeptOut(transport, m_pathText);
  if (!whyKeptOut.empty()) return TargetText() + " is kept out: " + whyKeptOut;
  return TargetText() + " is not connected";
}

device::BlockDeviceLookup CDeviceCommand::BlockDevice() {
  const auto transport = device::GetTransport();
  if (!transport || !BindDisk(transport)) return {};
  return transport->BlockDeviceOf(m_disk.identity);
}

std::uint8_t CDeviceCommand::Send(const CommandSpec& spec, PassThroughRequest& request) {
  const auto transport = device::GetTransport();
  if (!transport) return Fail(CommandError::NoTransport, "no transport is installed");
  if (!BindDisk(transport)) return Fail(CommandError::NoDevice, NotFoundText(*transport));
  request.timeoutSeconds = spec.timeoutSeconds;
  std::uint32_t retries = 0;
  std::uint32_t unitAttentions = 0;
  std::uint32_t busyAnswers = 0;
  for (;;) {
    m_lastResult = transport->ExecuteOn(m_disk.identity, request);
    ++m_requestsSent;
    ++m_lastAttempts;
    Outcome outcome = Judge(spec, request);
    if (outcome.error == CommandError::None) return 1;
    // The device did not run the command: it goes again without spending a retry.
    const bool notRun = (outcome.again == Again::UnitAttention && unitAttentions++ < kUnitAttentionResends) ||
                        (outcome.again == Again::Busy && busyAnswers++ < kBusyResends);
    if (!notRun) {
      if (outcome.again == Again::Never || retries >= spec.retries) {
        return Fail(outcome.error, std::move(outcome.message));
      }
      ++retries;
    }
    ++m_retries;
    // A UNIT ATTENTION is cleared by its answer; anything else is given a moment.
    if (outcome.again != Again::UnitAttention) platform::Sleep(kRetryPauseMs);
  }
}

CDeviceCommand::Outcome CDeviceCommand::Judge(const CommandSpec& spec, const PassThroughRequest& request) {
  device::PassThroughResult& result = m_lastResult;
  if (result.senseLength > result.sense.size()) result.senseLength = static_cast<std::uint8_t>(result.sense.size());
  m_lastSense = device::ParseSense(LastSense(), request.cdb[0] == device::cdb::kAtaPassThrough16Opcode
                                                    ? device::SenseOf::AtaPassThrough
                                                    : device::SenseOf::AnyCommand);

  if (result.machineClaim) {
    return {CommandError::NoDevice, Again::Never,
            platform::Format("the disk at the drive's place %s: nothing is sent to it",
                             device::MachineClaimText(result.machineClaim).c_str())};
  }
  if (result.systemError != 0) {
    const int error = result.systemError;
    if (DeviceIsGone(error)) {
      return {CommandError::NoDevice, Again::Never,
              platform::Format("the device is gone (%s)", SystemErrorText(error).c_str())};
    }
    return {CommandError::NotDelivered, MayPassOnResend(error) ? Again::OnRetry : Again::Never,
            platform::Format("request not delivered: %s (errno %d)", SystemErrorText(error).c_str(), error)};
  }
  const std::uint8_t driverCode = result.driverStatus & 0x07;
  if (result.hostStatus == device::kHostTimeOut || driverCode == device::kDriverTimeOut) {
    ++m_timeOuts;
    return {CommandError::TimedOut, Again::OnRetry,
            platform::Format("no answer within %u seconds", request.timeoutSeconds)};
  }
  if (result.hostStatus == device::kHostNoConnect || result.hostStatus == device::kHostBadTarget) {
    return {CommandError::NoDevice, Again::Never,
            platform::Format("the device is gone (host status 0x%02X)", result.hostStatus)};
  }
  if (result.hostStatus != device::kHostOk) {
    return {CommandError::HostError, Again::OnRetry, platform::Format("host status 0x%02X", result.hostStatus)};
  }
  if (driverCode != device::kDriverOk) {
    const bool passing = driverCode == device::kDriverBusy || driverCode == device::kDriverSoft;
    return {CommandError::HostError, passing ? Again::OnRetry : Again::Never,
            platform::Format("driver status 0x%02X", result.driverStatus)};
  }
  if (result.scsiStatus == device::kScsiBusy) {
    return {CommandError::CheckCondition, Again::Busy, "device busy (SCSI status 0x08)"};
  }
  if (result.scsiStatus != device::kScsiGood && result.scsiStatus != device::kScsiCheckCondition) {
    return {CommandError::CheckCondition, Again::Never, platform::Format("SCSI status 0x%02X", result.scsiStatus)};
  }

  const device::SenseInfo& sense = m_lastSense;
  if (result.scsiStatus == device::kScsiCheckCondition || sense.ReportsError()) {
    if (!sense.valid) {
      return {CommandError::CheckCondition, Again::Never, "CHECK CONDITION without readable sense data"};
    }
    if (sense.senseKey == device::kSenseUnitAttention) {
      return {CommandError::CheckCondition, Again::UnitAttention,
              "CHECK CONDITION: " + device::DescribeSense(sense)};
    }
    // NO SENSE and RECOVERED ERROR: the command ran. A NO SENSE answer tells how only through
    // the ATA status it brings back (some bridges answer an ATA command so).
    const bool ran = sense.senseKey == device::kSenseRecoveredError ||
                     (sense.senseKey == device::kSenseNoSense && sense.hasAtaRegisters);
    if (!ran) {
      return {AtaStatusFailed(sense) ? CommandError::AtaError : CommandError::CheckCondition, Again::Never,
              "CHECK CONDITION: " + device::DescribeSense(sense)};
    }
  }
  if (AtaStatusFailed(sense)) {
    return {CommandError::AtaError, Again::Never,
            platform::Format("ATA status 0x%02X, error 0x%02X", sense.ata.status, sense.ata.error)};
  }
  if (sense.hasAtaRegisters && (sense.ata.status & device::kAtaStatusBusy) != 0) {
    return {CommandError::BadReply, Again::Never,
            platform::Format("ATA status 0x%02X: the device had not finished the command", sense.ata.status)};
  }
  if (spec.returnsRegisters && !sense.hasAtaRegisters) {
    return {CommandError::BadReply, Again::Never, "the ATA registers did not come back"};
  }
  if (result.transferred > request.dataLength) {
    return {CommandError::BadReply, Again::Never,
            platform::Format("the device reports %u bytes moved for a transfer of %u", result.transferred,
                             request.dataLength)};
  }
  if (result.transferred < request.dataLength &&
      (spec.minimumReplyBytes == 0 || result.transferred < spec.minimumReplyBytes)) {
    return {CommandError::ShortTransfer, Again::Never,
            platform::Format("%u of %u bytes moved", result.transferred, request.dataLength)};
  }
  return {};
}

std::uint8_t CDeviceCommand::RunAta(CommandId id, device::AtaTaskFile taskFile, std::span<std::uint8_t> buffer,
                                    std::uint32_t sectorCount) {
  PassThroughRequest request;
  const CommandSpec* spec = Begin(id, buffer, sectorCount, request);
  if (spec == nullptr) return 0;
  taskFile.command = spec->code;
  if (spec->subOperation != 0) taskFile.features = spec->subOperation;
  if (request.dataLength != 0) taskFile.count = static_cast<std::uint16_t>(request.dataLength / device::kSectorSize);
  request.cdb = device::cdb::ToBytes(
      device::cdb::BuildAtaPassThrough(taskFile, spec->protocol, spec->extend, spec->returnsRegisters));
  request.cdbLength = 16;
  return Send(*spec, request);
}

std::uint8_t CDeviceCommand::RunVendor(CommandId id, std::uint64_t argument, std::span<std::uint8_t> buffer,
                                       std::uint32_t sectorCount) {
  PassThroughRequest request;
  const CommandSpec* spec = Begin(id, buffer, sectorCount, request);
  if (spec == nullptr) return 0;
  device::cdb::VendorFields fields;
  fields.command = spec->code;
  fields.subOperation = spec->subOperation;
  fields.protocol = spec->protocol;
  fields.count = static_cast<std::uint16_t>(request.dataLength / device::kSectorSize);
  fields.argument = argument & 0xFFFFFFFFFFFFull;
  fields.device = device::kAtaDeviceLba;
  request.cdb = g_U2AMode.load() != 0 ? device::cdb::ToBytes(device::cdb::RewriteVendorAsAtaPassThrough(fields))
                                      : device::cdb::ToBytes(device::cdb::BuildVendorCdb(fields));
  request.cdbLength = 16;
  return Send(*spec, request);
}

std::uint8_t CDeviceCommand::RunTester(CommandId id, std::array<std::uint8_t, 4> parameters,
                                       std::span<std::uint8_t> buffer) {
  PassThroughRequest request;
  const CommandSpec* spec = Begin(id, buffer, 0, request);
  if (spec == nullptr) return 0;
  device::cdb::TesterFields fields;
  fields.function = spec->code;
  fields.protocol = spec->protocol;
  fields.parameters = parameters;
  fields.transferLength = request.dataLength;
  request.cdb = device::cdb::ToBytes(device::cdb::BuildTesterCdb(fields));
  request.cdbLength = 16;
  return Send(*spec, request);
}

std::uint8_t CDeviceCommand::RunScsi(CommandId id, const std::array<std::uint8_t, 16>& cdb, std::uint8_t cdbLength,
                                     std::span<std::uint8_t> buffer) {
  PassThroughRequest request;
  const CommandSpec* spec = Begin(id, buffer, 0, request);
  if (spec == nullptr) return 0;
  request.cdb = cdb;
  request.cdbLength = cdbLength;
  return Send(*spec, request);
}

// ---- ATA commands ----------------------------------------------------------------------------

std::uint8_t CDeviceCommand::Identify(std::span<std::uint8_t> buffer) {
  if (!RunAta(CommandId::IdentifyDevice, {}, buffer, 0)) return 0;
  // Integrity word 255: signature 0xA5 in its low byte, then a checksum that makes the
  // 512 bytes add up to 0.
  constexpr std::size_t kSignatureAt = 510;
  constexpr std::uint8_t kSignature = 0xA5;
  if (buffer[kSignatureAt] == kSignature) {
    const unsigned sum = std::accumulate(buffer.begin(), buffer.begin() + device::kSectorSize, 0u);
    if ((sum & 0xFF) != 0) return Fail(CommandError::BadReply, "IDENTIFY data fail their checksum");
  }
  return 1;
}

std::uint8_t CDeviceCommand::SmartReadData(std::span<std::uint8_t> buffer) {
  device::AtaTaskFile file;
  file.lba = device::kSmartSignatureLba;
  return RunAta(CommandId::SmartReadData, file, buffer, 0);
}

std::uint8_t CDeviceCommand::SmartReturnStatus(bool& thresholdExceeded) {
  device::AtaTaskFile file;
  file.lba = device::kSmartSignatureLba;
  if (!RunAta(CommandId::SmartReturnStatus, file, {}, 0)) return 0;
  const std::uint8_t mid = LastAtaRegisters().LbaMid();
  const std::uint8_t high = LastAtaRegisters().LbaHigh();
  if (mid == 0x4F && high == 0xC2) {
    thresholdExceeded = false;
    return 1;
  }
  if (mid == device::kSmartThresholdExceededMid && high == device::kSmartThresholdExceededHigh) {
    thresholdExceeded = true;
    return 1;
  }
  return Fail(CommandError::BadReply, platform::Format("the drive answered LBA mid/high 0x%02X/0x%02X", mid, high));
}

std::uint8_t CDeviceCommand::SecuritySetPassword(std::span<std::uint8_t> passwordSector) {
  return RunAta(CommandId::SecuritySetPassword, {}, passwordSector, 0);
}

std::uint8_t CDeviceCommand::SecurityErasePrepare() { return RunAta(CommandId::SecurityErasePrepare, {}, {}, 0); }

std::uint8_t CDeviceCommand::SecurityEraseUnit(std::span<std::uint8_t> passwordSector) {
  return RunAta(CommandId::SecurityEraseUnit, {}, passwordSector, 0);
}

std::uint8_t CDeviceCommand::DownloadMicrocode(std::span<std::uint8_t> buffer, std::uint8_t subcommand,
                                               std::uint16_t offsetSectors, std::uint32_t sectorCount) {
  // 28-bit form: the block count's high byte in LBA 7..0 (0: pieces are at most 255 sectors),
  // the offset in LBA 23..8.
  device::AtaTaskFile file;
  file.features = subcommand;
  file.lba = static_cast<std::uint64_t>(offsetSectors) << 8;
  return RunAta(CommandId::DownloadMicrocode, file, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::StandbyImmediate() { return RunAta(CommandId::StandbyImmediate, {}, {}, 0); }

namespace {
device::AtaTaskFile SectorAccess(std::uint64_t lba) {
  device::AtaTaskFile file;
  file.lba = lba;
  file.device = device::kAtaDeviceLba;
  return file;
}
}  // namespace

std::uint8_t CDeviceCommand::ReadDma(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount) {
  return RunAta(CommandId::ReadDmaExt, SectorAccess(lba), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::WriteDma(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount) {
  return RunAta(CommandId::WriteDmaExt, SectorAccess(lba), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::ReadPio(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount) {
  return RunAta(CommandId::ReadSectorsExt, SectorAccess(lba), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::WritePio(std::span<std::uint8_t> buffer, std::uint64_t lba, std::uint32_t sectorCount) {
  return RunAta(CommandId::WriteSectorsExt, SectorAccess(lba), buffer, sectorCount);
}

// ---- vendor commands -------------------------------------------------------------------------

std::uint8_t CDeviceCommand::SetApKey(std::span<std::uint8_t> reply) {
  return RunVendor(CommandId::SetApKey, device::kApKeyValue, reply, 0);
}

std::uint8_t CDeviceCommand::ReadFirmwareName(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ReadFirmwareName, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::GetSystemInfo(std::span<std::uint8_t> buffer, std::uint32_t sectorCount) {
  return RunVendor(CommandId::GetSystemInfo, 0, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::ReadFlashId(std::span<std::uint8_t> buffer, std::uint8_t firstValue,
                                         std::uint8_t secondValue) {
  return RunVendor(CommandId::ReadFlashId, (static_cast<std::uint64_t>(secondValue) << 8) | firstValue, buffer, 0);
}

std::uint8_t CDeviceCommand::ScanAllFlashId(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ScanAllFlashId, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::ReadUniqueId(std::span<std::uint8_t> buffer, std::uint8_t ce) {
  return RunVendor(CommandId::ReadUniqueId, ce, buffer, 0);
}

std::uint8_t CDeviceCommand::ReadRegister(std::span<std::uint8_t> buffer, std::uint32_t address) {
  return RunVendor(CommandId::ReadRegister, address, buffer, 0);
}

std::uint8_t CDeviceCommand::ReadDeviceStatus(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ReadDeviceStatus, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::JumpToBoot() { return RunVendor(CommandId::JumpToBoot, 0, {}, 0); }

std::uint8_t CDeviceCommand::ForceToBoot() { return RunVendor(CommandId::ForceToBoot, 0, {}, 0); }

std::uint8_t CDeviceCommand::WritePram(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                                       std::uint32_t sectorCount) {
  return RunVendor(CommandId::WritePram, firstSector, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::ReadPram(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                                      std::uint32_t sectorCount) {
  return RunVendor(CommandId::ReadPram, firstSector, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::StartPram(std::uint16_t codeChecksum) {
  return RunVendor(CommandId::StartPram, codeChecksum, {}, 0);
}

std::uint8_t CDeviceCommand::WriteFlashCode(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                                            std::uint32_t sectorCount) {
  return RunVendor(CommandId::WriteFlashCode, firstSector, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::ReadFlashCode(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                                           std::uint32_t sectorCount) {
  return RunVendor(CommandId::ReadFlashCode, firstSector, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::EraseIspCode() { return RunVendor(CommandId::EraseIspCode, 0, {}, 0); }

std::uint8_t CDeviceCommand::StartFlashCode() { return RunVendor(CommandId::StartFlashCode, 0, {}, 0); }

std::uint8_t CDeviceCommand::ReadInfoCode(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ReadInfoCode, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::WriteInfoCode(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::WriteInfoCode, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::EraseByType(std::uint8_t eraseType, bool polling) {
  return RunVendor(CommandId::EraseByType, eraseType | (polling ? device::kArgumentPollingFlag : 0), {}, 0);
}

std::uint8_t CDeviceCommand::ScanFlash(std::uint8_t scanMode, bool firstScan, bool polling) {
  const std::uint64_t argument = scanMode | (firstScan ? 0x100u : 0u) | (polling ? device::kArgumentPollingFlag : 0);
  return RunVendor(CommandId::ScanFlash, argument, {}, 0);
}

std::uint8_t CDeviceCommand::WindowScan(std::span<std::uint8_t> result) {
  return RunVendor(CommandId::WindowScan, 0, result, 0);
}

std::uint8_t CDeviceCommand::SetCeMap(std::uint16_t ceMap) { return RunVendor(CommandId::SetCeMap, ceMap, {}, 0); }

std::uint8_t CDeviceCommand::Preformat(std::span<std::uint8_t> parameters, std::uint32_t sectorCount,
                                       std::uint16_t ceMap, std::uint8_t options, bool polling) {
  const std::uint64_t argument =
      ceMap | (static_cast<std::uint64_t>(options) << 16) | (polling ? device::kArgumentPollingFlag : 0);
  return RunVendor(CommandId::Preformat, argument, parameters, sectorCount);
}

std::uint8_t CDeviceCommand::ResetSmart() { return RunVendor(CommandId::ResetSmart, 0, {}, 0); }

std::uint8_t CDeviceCommand::DirectReadInfoBlock(std::span<std::uint8_t> buffer, std::uint8_t page) {
  return RunVendor(CommandId::ReadInfoBlock, page, buffer, 0);
}

std::uint8_t CDeviceCommand::DirectWriteInfoBlock(std::span<std::uint8_t> buffer, std::uint8_t page) {
  return RunVendor(CommandId::WriteInfoBlock, page, buffer, 0);
}

std::uint8_t CDeviceCommand::ReadBbtParameter(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ReadBbtParameter, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::ReadBadBlockTable(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                                               std::uint32_t sectorCount) {
  return RunVendor(CommandId::ReadBadBlockTable, firstSector, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::WriteBadBlockTable(std::span<std::uint8_t> buffer, std::uint32_t firstSector,
                                                std::uint32_t sectorCount) {
  return RunVendor(CommandId::WriteBadBlockTable, firstSector, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::Read3rdBbt(std::span<std::uint8_t> slice, std::uint32_t sectorCount,
                                        std::uint8_t chipNumber) {
  return RunVendor(CommandId::ReadThirdPartyTable, chipNumber, slice, sectorCount);
}

std::uint8_t CDeviceCommand::Write3rdBbt(std::span<std::uint8_t> slice, std::uint32_t sectorCount,
                                         std::uint8_t chipNumber) {
  return RunVendor(CommandId::WriteThirdPartyTable, chipNumber, slice, sectorCount);
}

std::uint8_t CDeviceCommand::ReadRdtInfo(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ReadRdtInfo, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::WriteRdtInfo(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::WriteRdtInfo, 0, buffer, 0);
}

namespace {
// Argument of the sector-addressed reads: first sector in bits 15..0, a byte in bits 23..16.
std::uint64_t SectorArgument(std::uint16_t firstSector, std::uint8_t byteArgument) {
  return firstSector | (static_cast<std::uint64_t>(byteArgument) << 16);
}
}  // namespace

std::uint8_t CDeviceCommand::ReadDebugData(std::span<std::uint8_t> buffer, std::uint8_t selector,
                                           std::uint16_t firstSector, std::uint32_t sectorCount) {
  return RunVendor(CommandId::ReadDebugData, SectorArgument(firstSector, selector), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::ReadEFuse(std::span<std::uint8_t> buffer) {
  return RunVendor(CommandId::ReadEFuse, 0, buffer, 0);
}

std::uint8_t CDeviceCommand::CutEFuse(bool uart, bool jtag, bool aes) {
  const std::uint64_t mask = (uart ? device::kEFuseUart : 0) | (jtag ? device::kEFuseJtag : 0) |
                             (aes ? device::kEFuseAes : 0);
  return RunVendor(CommandId::CutEFuse, mask, {}, 0);
}

std::uint8_t CDeviceCommand::WriteDram(std::span<std::uint8_t> buffer, std::uint32_t addressSectors,
                                       std::uint32_t sectorCount) {
  return RunVendor(CommandId::WriteDram, addressSectors, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::ReadDram(std::span<std::uint8_t> buffer, std::uint32_t addressSectors,
                                      std::uint32_t sectorCount) {
  return RunVendor(CommandId::ReadDram, addressSectors, buffer, sectorCount);
}

std::uint8_t CDeviceCommand::Get_RDT_BadBlock_Log(std::span<std::uint8_t> buffer, std::uint8_t argument,
                                                  std::uint16_t firstSector, std::uint16_t sectorCount) {
  return RunVendor(CommandId::GetRdtBadBlockLog, SectorArgument(firstSector, argument), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::Get_RDT_BadBlock_SpecialLog(std::span<std::uint8_t> buffer, std::uint16_t sectorCount,
                                                         std::uint16_t firstSector) {
  return RunVendor(CommandId::GetRdtBadBlockSpecialLog, SectorArgument(firstSector, 0), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::Get_RDT_SDR_Log(std::span<std::uint8_t> buffer, std::uint16_t sectorCount,
                                             std::uint16_t firstSector) {
  return RunVendor(CommandId::GetRdtSdrLog, SectorArgument(firstSector, 0), buffer, sectorCount);
}

std::uint8_t CDeviceCommand::Get_RDT_Temperature_Time_Log(std::span<std::uint8_t> buffer, std::uint8_t argument,
                                                          std::uint16_t firstSector, std::uint16_t sectorCount) {
  return RunVendor(CommandId::GetRdtTemperatureTimeLog, SectorArgument(firstSector, argument), buffer, sectorCount);
}

// ---- tester-board commands ---------------------------------------------------------------------

std::uint8_t CDeviceCommand::TesterSetPower(std::uint8_t mode, std::uint8_t value1, std::uint8_t value2,
                                            std::uint8_t devSleep) {
  return RunTester(CommandId::TesterSetPower, {mode, value1, value2, devSleep}, {});
}

std::uint8_t CDeviceCommand::TesterCardDetect(std::uint8_t& state) {
  std::array<std::uint8_t, device::kSectorSize> reply{};
  if (!RunTester(CommandId::TesterCardDetect, {}, reply)) return 0;
  state = reply[offsetof(device::CardDetectReply, state)];
  return 1;
}

std::uint8_t CDeviceCommand::TesterReadCurrent(std::uint8_t selector, double& milliamps) {
  std::array<std::uint8_t, device::kSectorSize> reply{};
  if (!RunTester(CommandId::TesterReadCurrent, {selector, 0, 0, 0}, reply)) return 0;
  device::CurrentReply current;
  std::memcpy(&current, reply.data(), sizeof(current));
  milliamps = current.Milliamps();
  return 1;
}

std::uint8_t CDeviceCommand::TesterReadUsbPage(std::span<std::uint8_t> buffer) {
  return RunTester(CommandId::TesterReadUsbPage, {}, buffer);
}

std::uint8_t CDeviceCommand::TesterSetDevSleep(bool assert) {
  return RunTester(CommandId::TesterSetDevSleep, {static_cast<std::uint8_t>(assert ? 1 : 0), 0, 0, 0}, {});
}

// ---- SCSI commands --------------------------------------------------------------------------------

std::uint8_t CDeviceCommand::Inquiry(std::span<std::uint8_t> buffer) {
  const auto cdb = device::cdb::ToBytes(device::cdb::BuildInquiryCdb(device::kInquiryLength));
  return RunScsi(CommandId::Inquiry, cdb, sizeof(device::cdb::InquiryCdb), buffer);
}

std::uint8_t CDeviceCommand::ReadCapacity10(std::uint64_t& lastLba, std::uint32_t& blockLength) {
  std::array<std::uint8_t, device::kReadCapacity10Length> reply{};
  const auto cdb = device::cdb::ToBytes(device::cdb::BuildReadCapacity10Cdb());
  if (!RunScsi(CommandId::ReadCapacity10, cdb, sizeof(device::cdb::ReadCapacity10Cdb), reply)) return 0;
  device::ReadCapacity10Data data;
  std::memcpy(&data, reply.data(), sizeof(data));
  if (data.LastLba() == device::kReadCapacity10Overflow) {
    return Fail(CommandError::BadReply, "the disk is too large for READ CAPACITY (10)");
  }
  if (data.BlockLength() == 0) return Fail(CommandError::BadReply, "the drive reports a block length of 0");
  lastLba = data.LastLba();
  blockLength = data.BlockLength();
  return 1;
}

std::uint8_t CDeviceCommand::ReadCapacity16(std::uint64_t& lastLba, std::uint32_t& blockLength) {
  std::array<std::uint8_t, device::kReadCapacity16Length> reply{};
  const auto cdb = device::cdb::ToBytes(device::cdb::BuildReadCapacity16Cdb(device::kReadCapacity16Length));
  if (!RunScsi(CommandId::ReadCapacity16, cdb, 16, reply)) return 0;
  device::ReadCapacity16Data data;
  std::memcpy(&data, reply.data(), sizeof(data));
  if (data.BlockLength() == 0) return Fail(CommandError::BadReply, "the drive reports a block length of 0");
  lastLba = data.LastLba();
  blockLength = data.BlockLength();
  return 1;
}
