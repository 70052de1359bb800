#include "sim/SimDrive.h"

#include <algorithm>
#include <cstring>

#include "device/Crc16.h"
#include "sim/FirmwareImageHeader.h"
#include "sim/FlashIdTable.h"
#include "device/records/PreformatParameters.h"

namespace sim {

namespace {

constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kMaxImageBytes = 8u * 1024 * 1024;   // no firmware image is larger
// The CE addressing mode the drive reports; its third-party slices sit at the chip numbers
// this mode gives.
constexpr unsigned kCeAddressingMode = 1;

std::vector<SmartAttribute> DefaultSmart(const BadBlockMap& map) {
  unsigned later = 0;
  for (unsigned slot = 0; slot < map.CeSlots(); ++slot) later += map.CountLater(slot);
  return {{0x01, 0}, {0x05, later}, {0x09, 100}, {0x0C, 10}, {0xA7, 0}, {0xC2, 45}, {0xC7, 0}};
}

bool IsRdtFirmwareName(const std::string& name) {
  return name.rfind("RDT", 0) == 0 || name.rfind("SBS", 0) == 0 || name.rfind("RBS", 0) == 0;
}

// Copies a stored buffer's range of sectors into a caller's buffer of exactly that size.
DriveStatus CopySectors(std::span<const std::uint8_t> from, std::uint32_t firstSector, std::uint32_t count,
                        std::span<std::uint8_t> out) {
  const std::size_t begin = static_cast<std::size_t>(firstSector) * kSectorBytes;
  const std::size_t length = static_cast<std::size_t>(count) * kSectorBytes;
  if (out.size() != length || begin > from.size() || length > from.size() - begin) return DriveStatus::Aborted;
  std::copy_n(from.begin() + static_cast<std::ptrdiff_t>(begin), length, out.begin());
  return DriveStatus::Ok;
}

// Reads bytes of an image; what lies past its end reads as erased flash (0xFF).
DriveStatus CopyImageBytes(const std::vector<std::uint8_t>& image, std::uint32_t offset, std::span<std::uint8_t> out) {
  if (offset > kMaxImageBytes || out.size() > kMaxImageBytes - offset) return DriveStatus::Aborted;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t at = offset + i;
    out[i] = at < image.size() ? image[at] : 0xFF;
  }
  return DriveStatus::Ok;
}

// Writes bytes at an offset of a growing image, refusing images beyond the largest size.
DriveStatus PutImageBytes(std::vector<std::uint8_t>& image, std::uint32_t offset,
                          std::span<const std::uint8_t> bytes) {
  if (offset > kMaxImageBytes || bytes.size() > kMaxImageBytes - offset) return DriveStatus::Aborted;
  if (image.size() < offset + bytes.size()) image.resize(offset + bytes.size(), 0xFF);
  std::copy(bytes.begin(), bytes.end(), image.begin() + offset);
  return DriveStatus::Ok;
}

}  // namespace

SimDrive::SimDrive(const DriveProfile& profile, std::string defaultSerial)
    : m_profile(profile),
      m_serial(profile.serialNumber.empty() ? std::move(defaultSerial) : profile.serialNumber),
      m_flashFirmware(profile.flashFirmware),
      m_badBlocks(profile.geometry, profile.badBlocks) {
  m_flashName = m_flashFirmware == FlashFirmware::Rdt ? profile.rdtName : profile.flashName;
  if (m_flashFirmware != FlashFirmware::None && !profile.flashImage.empty()) {
    m_flashImage = profile.flashImage;
    m_flashName = FirmwareNameOfImage(m_flashImage).value_or(m_flashName);
  }
  // The controller's table: factory marks, and the failures the RDT found when it ran.
  const bool rdtDone = profile.rdt.state == RdtState::Done;
  m_table.assign(m_badBlocks.All().begin(), m_badBlocks.All().end());
  for (auto& status : m_table) {
    if (status != 0 && (status & kBlockFactoryBad) == 0) status = rdtDone ? (status | kBlockRdtBad) : 0;
  }
  m_thirdParty.resize(kThirdPartyCes);
  const BbtParameterRecord parameters = BbtParameters();
  for (unsigned slot = 0; slot < m_badBlocks.CeSlots(); ++slot) {
    const unsigned ce = profile.geometry.CeOfSlot(slot);
    if (ce < kThirdPartyCes && parameters.ceAddress[ce] == kAbsentCeAddress) continue;   // no flash, no slice
    const std::optional<std::uint8_t> chip =
        ThirdPartyChipNumber(parameters, ce, kCeAddressingMode, profile.geometry.diesPerCe);
    if (!chip || *chip >= m_thirdParty.size()) continue;
    std::vector<std::uint8_t> factory(m_badBlocks.SlotStatuses(slot).begin(), m_badBlocks.SlotStatuses(slot).end());
    for (auto& status : factory) status &= kBlockFactoryBad;
    m_thirdParty[*chip] = EncodeThirdPartySlice(factory);
  }
  RebuildRdtLogs();
  if (profile.infoBlockWritten) {
    InfoBlockRecord block;
    std::memset(&block, 0, sizeof(block));
    block.tervidInfoMark.Set(kInfoBlockMark);
    block.serialNumber.Set(m_serial);
    block.modelNumber.Set(profile.modelNumber);
    block.fwVersion.Set(m_flashFirmware == FlashFirmware::Mp ? m_flashName : profile.flashName);
    block.ceNumber = static_cast<std::uint8_t>(profile.geometry.CeCount());
    block.ssdSizeLba.Set(profile.geometry.CapacitySectors());
    if (m_rdtLogs.info) block.mpInfo = *m_rdtLogs.info;
    std::memcpy(m_infoBlock.data(), &block, sizeof(block));
  }
  m_infoBlock[511] = profile.goodMark;
  m_smart = profile.smart.empty() ? DefaultSmart(m_badBlocks) : profile.smart;
  m_media.Resize(UserSectors());
  BootFromPowerOn();
  if (profile.startOnBurner) m_code = RunningCode::Burner;
}

void SimDrive::RebuildRdtLogs() {
  m_rdtLogs = BuildRdtLogs(m_profile.rdt, m_profile.geometry, m_badBlocks, TableCheckSum());
}

void SimDrive::BootFromPowerOn() {
  m_programRam.clear();
  m_apKey = false;
  m_standby = false;
  m_code = m_flashFirmware == FlashFirmware::None ? RunningCode::Boot : RunningCode::Flash;
  RunProgrammedRdt();
}

void SimDrive::RunProgrammedRdt() {
  if (!m_rdtDue || m_code != RunningCode::Flash || m_flashFirmware != FlashFirmware::Rdt) return;
  m_rdtDue = false;
  // The test finds the later failures of the flash and marks them in the controller's table.
  const auto found = m_badBlocks.All();
  for (std::size_t i = 0; i < found.size() && i < m_table.size(); ++i) {
    if (found[i] != 0 && (found[i] & kBlockFactoryBad) == 0) m_table[i] |= kBlockRdtBad;
  }
  m_profile.rdt.state = RdtState::Done;
  RebuildRdtLogs();
}

void SimDrive::PowerOff() {
  m_powered = false;
  m_dram.Clear();
}

void SimDrive::PowerOn() {
  if (m_powered) return;
  m_powered = true;
  BootFromPowerOn();
}

bool SimDrive::RunsMpFirmware() const {
  return m_code == RunningCode::Flash && m_flashFirmware == FlashFirmware::Mp;
}

std::string SimDrive::FirmwareName() const {
  switch (m_code) {
    case RunningCode::Boot: return m_profile.bootName;
    case RunningCode::Burner: return FirmwareNameOfImage(m_programRam).value_or(m_profile.burnerName);
    case RunningCode::Flash: return m_flashName;
  }
  return {};
}

DriveStatus SimDrive::LoadProgramRam(std::uint32_t offset, std::span<const std::uint8_t> bytes) {
  if (m_code != RunningCode::Boot) return DriveStatus::Aborted;
  if (offset == 0) m_programRam.clear();
  return PutImageBytes(m_programRam, offset, bytes);
}

DriveStatus SimDrive::ReadProgramRam(std::uint32_t offset, std::span<std::uint8_t> out) const {
  return CopyImageBytes(m_programRam, offset, out);
}

std::uint16_t SimDrive::ProgramRamChecksum(std::span<const std::uint8_t> image) {
  std::uint16_t sum = 0;
  for (std::uint8_t byte : image) sum = static_cast<std::uint16_t>(sum + byte);
  return sum;
}

DriveStatus SimDrive::StartProgramRam(std::uint16_t checksum) {
  if (m_code != RunningCode::Boot || m_programRam.empty()) return DriveStatus::Aborted;
  if (checksum != ProgramRamChecksum(m_programRam)) return DriveStatus::Aborted;
  m_code = RunningCode::Burner;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::JumpToBoot() {
  // From code on flash the jump restarts the controller: its boot code starts the firmware on
  // flash again, as at power on. From the RAM code (or the boot code itself) it stays on boot
  // code.
  if (m_code == RunningCode::Flash) {
    BootFromPowerOn();
    return DriveStatus::Ok;
  }
  m_programRam.clear();
  m_code = RunningCode::Boot;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ForceToBoot() {
  m_programRam.clear();
  m_code = RunningCode::Boot;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ProgramFlash(std::uint32_t offset, std::span<const std::uint8_t> bytes) {
  if (m_code != RunningCode::Burner) return DriveStatus::Aborted;
  if (offset == 0) m_flashImage.clear();
  const DriveStatus status = PutImageBytes(m_flashImage, offset, bytes);
  if (status != DriveStatus::Ok) return status;
  m_flashName = FirmwareNameOfImage(m_flashImage).value_or(m_profile.flashName);
  m_flashFirmware = IsRdtFirmwareName(m_flashName) ? FlashFirmware::Rdt : FlashFirmware::Mp;
  m_rdtDue = m_flashFirmware == FlashFirmware::Rdt;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadFlashCode(std::uint32_t offset, std::span<std::uint8_t> out) const {
  return CopyImageBytes(m_flashImage, offset, out);
}

DriveStatus SimDrive::StartFlashCode() {
  if (m_flashFirmware == FlashFirmware::None) return DriveStatus::Aborted;
  m_programRam.clear();
  m_code = RunningCode::Flash;
  RunProgrammedRdt();
  return DriveStatus::Ok;
}

DriveStatus SimDrive::EraseIspCode() {
  if (m_code == RunningCode::Boot) return DriveStatus::Aborted;
  m_flashImage.clear();
  m_flashFirmware = FlashFirmware::None;
  m_rdtDue = false;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::DownloadMicrocode(std::uint32_t offset, std::span<const std::uint8_t> bytes) {
  if (!RunsMpFirmware()) return DriveStatus::Aborted;
  if (offset == 0) m_flashImage.clear();
  const DriveStatus status = PutImageBytes(m_flashImage, offset, bytes);
  if (status == DriveStatus::Ok) m_flashName = FirmwareNameOfImage(m_flashImage).value_or(m_flashName);
  return status;
}

IdentifyData SimDrive::Identify() const {
  IdentifyFacts facts;
  facts.serialNumber = m_serial;
  facts.modelNumber = m_profile.modelNumber;
  InfoBlockRecord block;
  std::memcpy(&block, m_infoBlock.data(), sizeof(block));
  if (RunsMpFirmware() && block.tervidInfoMark.Get() == kInfoBlockMark) {
    // The MP firmware reports the identity the station wrote into the info block.
    char serial[20];
    char model[40];
    block.serialNumber.CopyTo(serial);
    block.modelNumber.CopyTo(model);
    facts.serialNumber.assign(serial, sizeof(serial));
    facts.modelNumber.assign(model, sizeof(model));
  }
  facts.firmwareRevision = FirmwareName();
  facts.sectors = UserSectors();
  facts.worldWideName = m_profile.worldWideName;
  if (m_code == RunningCode::Flash && m_flashFirmware == FlashFirmware::Rdt) {
    facts.rdtStatus = RdtStatusMarks(m_profile.rdt.state);
  }
  return EncodeIdentify(facts);
}

SystemInfoSector SimDrive::SystemInfo() const {
  const FlashGeometry& geometry = m_profile.geometry;
  SystemInfoFacts facts;
  facts.ceCount = geometry.CeCount();
  facts.ceAddressingMode = kCeAddressingMode;
  facts.diesPerCe = geometry.diesPerCe;
  facts.blocksPerCe = geometry.blocksPerCe;
  facts.pageSectors = geometry.pageSectors;
  facts.planes = geometry.planes;
  facts.ceMap = geometry.ceMap;
  facts.ceNumberedByMap = geometry.ceNumberedByMap;
  facts.ceSizeExponent = geometry.ceSizeExponent;
  facts.binType = RunningBinType().value_or(m_profile.binType);
  facts.rdtFirmwareDate = "20160512";
  facts.rdtLoops = m_profile.rdt.tlcLoops;
  facts.rdtFastPageLoops = m_profile.rdt.slcLoops;
  facts.badBlockLogBytes = m_profile.rdt.reportedBadBlockLogBytes != 0
                              ? m_profile.rdt.reportedBadBlockLogBytes
                              : static_cast<std::uint32_t>(m_rdtLogs.badBlock.size());
  facts.temperatureLogBytes = static_cast<std::uint32_t>(m_rdtLogs.temperature.size());
  facts.sdrLogBytes = static_cast<std::uint32_t>(m_rdtLogs.sdr.size());
  facts.specialLogBytes = static_cast<std::uint32_t>(m_rdtLogs.special.size());
  return EncodeSystemInfo(facts);
}

std::optional<std::string> SimDrive::RunningBinType() const {
  switch (m_code) {
    case RunningCode::Burner: return BinTypeOfImage(m_programRam);
    case RunningCode::Flash: return BinTypeOfImage(m_flashImage);
    case RunningCode::Boot: break;
  }
  return std::nullopt;
}

std::array<std::uint8_t, 512> SimDrive::AllFlashIds() const {
  const FlashIdTable table = EncodeFlashIdTable(m_profile.geometry.flashId, m_profile.geometry.ceMap);
  std::array<std::uint8_t, 512> bytes{};
  std::memcpy(bytes.data(), &table, sizeof(table));
  return bytes;
}

DriveStatus SimDrive::ReadFlashId(std::span<std::uint8_t> out) const {
  const FlashId& id = m_profile.geometry.flashId;
  if (m_profile.geometry.ceMap == 0 || out.size() < id.size()) return DriveStatus::Aborted;
  std::fill(out.begin(), out.end(), 0);
  std::copy(id.begin(), id.end(), out.begin());
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadRegister(std::uint32_t address, std::span<std::uint8_t> out) const {
  if (out.size() < 2) return DriveStatus::Aborted;
  std::fill(out.begin(), out.end(), 0);
  if (address == 0) {
    out[0] = static_cast<std::uint8_t>(m_profile.icVersion >> 8);
    out[1] = static_cast<std::uint8_t>(m_profile.icVersion);
  }
  return DriveStatus::Ok;
}

DriveStatus SimDrive::UniqueId(unsigned ce, std::span<std::uint8_t> out) const {
  if (ce >= 64 || ((m_profile.geometry.ceMap >> ce) & 1) == 0 || out.size() < 16) return DriveStatus::Aborted;
  std::fill(out.begin(), out.end(), 0);
  out[0] = static_cast<std::uint8_t>(ce);
  for (std::size_t i = 0; i < 15 && i < m_serial.size(); ++i) out[1 + i] = static_cast<std::uint8_t>(m_serial[i]);
  return DriveStatus::Ok;
}

DriveStatus SimDrive::SetApKey() {
  if (m_profile.apKeyRefused) return DriveStatus::Aborted;
  m_apKey = true;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadInfoBlock(unsigned page, std::span<std::uint8_t> out) const {
  if (page != 0 || out.size() != m_infoBlock.size()) return DriveStatus::Aborted;
  std::copy(m_infoBlock.begin(), m_infoBlock.end(), out.begin());
  return DriveStatus::Ok;
}

DriveStatus SimDrive::WriteInfoBlock(unsigned page, std::span<const std::uint8_t> in) {
  if (page != 0 || in.size() != m_infoBlock.size()) return DriveStatus::Aborted;
  std::copy(in.begin(), in.end(), m_infoBlock.begin());
  m_media.Resize(UserSectors());
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadInfoCode(std::span<std::uint8_t> out) const {
  if (out.size() != m_infoCode.size()) return DriveStatus::Aborted;
  std::copy(m_infoCode.begin(), m_infoCode.end(), out.begin());
  return DriveStatus::Ok;
}

DriveStatus SimDrive::WriteInfoCode(std::span<const std::uint8_t> in) {
  if (in.size() != m_infoCode.size()) return DriveStatus::Aborted;
  std::copy(in.begin(), in.end(), m_infoCode.begin());
  return DriveStatus::Ok;
}

std::optional<MpInfo> SimDrive::RdtInfo() const {
  if (m_writtenRdtInfo) return m_writtenRdtInfo;
  if (m_rdtLogs.info) return m_rdtLogs.info;
  InfoBlockRecord block;
  std::memcpy(&block, m_infoBlock.data(), sizeof(block));
  if (block.mpInfo.signature.Get() == kRdtInfoSignature) return block.mpInfo;
  return std::nullopt;
}

DriveStatus SimDrive::WriteRdtInfo(std::span<const std::uint8_t> in) {
  MpInfo info;
  if (!ReadRecord(in, info)) return DriveStatus::Aborted;
  m_writtenRdtInfo = info;
  return DriveStatus::Ok;
}

std::span<const std::uint8_t> SimDrive::LogBytes(RdtLogKind log) const {
  switch (log) {
    case RdtLogKind::Temperature: return m_rdtLogs.temperature;
    case RdtLogKind::Sdr: return m_rdtLogs.sdr;
    case RdtLogKind::Special: return m_rdtLogs.special;
    case RdtLogKind::BadBlock: return m_rdtLogs.badBlock;
  }
  return {};
}

DriveStatus SimDrive::ReadRdtLog(RdtLogKind log, std::uint32_t firstSector, std::uint32_t count,
                                 std::span<std::uint8_t> out) const {
  return CopySectors(LogBytes(log), firstSector, count, out);
}

BbtGeometry SimDrive::TableGeometry() const {
  const FlashGeometry& geometry = m_profile.geometry;
  BbtGeometry table;
  table.ceSlots = geometry.CeSlots();
  table.unitsPerCe = geometry.diesPerCe == 0 ? 1 : geometry.diesPerCe;
  table.unitsPerGroup = geometry.diesPerChip;
  table.blocksPerUnit = geometry.BlocksPerDie();
  for (unsigned slot = 0; slot < table.ceSlots && slot < 64; ++slot) {
    const unsigned ce = geometry.CeOfSlot(slot);
    if (ce < 64 && ((geometry.ceMap >> ce) & 1)) table.presentCeMask |= std::uint64_t{1} << ce;
  }
  return table;
}

std::uint16_t SimDrive::TableCheckSum() const {
  const std::size_t mapBytes = std::min<std::size_t>(BlockMapBytes(TableGeometry()), m_table.size());
  return CCrc16::Ccitt(m_table.data(), mapBytes);
}

BbtParameterRecord SimDrive::BbtParameters() const { return EncodeBbtParameters(TableGeometry()); }

DriveStatus SimDrive::ReadBadBlockTable(std::uint32_t firstSector, std::uint32_t count,
                                        std::span<std::uint8_t> out) const {
  const std::vector<std::uint8_t> table = EncodeBadBlockTable(m_table);
  return CopySectors(table, firstSector, count, out);
}

DriveStatus SimDrive::WriteBadBlockTable(std::uint32_t firstSector, std::uint32_t count,
                                         std::span<const std::uint8_t> in) {
  const std::size_t begin = static_cast<std::size_t>(firstSector) * kSectorBytes;
  const std::size_t tableBytes = static_cast<std::size_t>(TableSectors(TableGeometry())) * kSectorBytes;
  if (in.size() != static_cast<std::size_t>(count) * kSectorBytes || begin > tableBytes ||
      in.size() > tableBytes - begin) {
    return DriveStatus::Aborted;
  }
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (begin + i < m_table.size()) m_table[begin + i] = in[i];  // padding past the map is not kept
  }
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadThirdPartyTable(unsigned chip, std::span<std::uint8_t> out) const {
  if (chip >= m_thirdParty.size() || m_thirdParty[chip].empty() || out.size() > m_thirdParty[chip].size()) {
    return DriveStatus::Aborted;
  }
  std::copy_n(m_thirdParty[chip].begin(), out.size(), out.begin());
  return DriveStatus::Ok;
}

DriveStatus SimDrive::WriteThirdPartyTable(unsigned chip, std::span<const std::uint8_t> in) {
  if (chip >= m_thirdParty.size() || m_thirdParty[chip].empty() || in.size() > m_thirdParty[chip].size()) {
    return DriveStatus::Aborted;
  }
  // The controller checks the additive sum of the slice's first sector.
  if (in.size() >= kSectorBytes && !ThirdPartySliceSealed(in)) return DriveStatus::Aborted;
  std::copy(in.begin(), in.end(), m_thirdParty[chip].begin());
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ScanFlash(bool earlyBadOnly) {
  if (m_code != RunningCode::Burner && !RunsMpFirmware()) return DriveStatus::Aborted;
  const auto found = m_badBlocks.All();
  for (std::size_t i = 0; i < found.size() && i < m_table.size(); ++i) {
    const std::uint8_t status = earlyBadOnly ? (found[i] & kBlockFactoryBad) : found[i];
    m_table[i] |= status;
  }
  return DriveStatus::Ok;
}

void SimDrive::StartBackgroundWork(unsigned busyPolls) {
  m_busyPolls = busyPolls;
  m_busyTotal = busyPolls;
}

bool SimDrive::PollReady(std::uint8_t& progress) {
  if (m_busyPolls == 0) {
    progress = 100;
    return true;
  }
  --m_busyPolls;
  progress = static_cast<std::uint8_t>(100 * (m_busyTotal - m_busyPolls) / (m_busyTotal + 1));
  return false;
}

DriveStatus SimDrive::EraseAll(unsigned eraseType) {
  if (m_code != RunningCode::Burner) return DriveStatus::Aborted;
  if (eraseType == 1) return DriveStatus::Ok;  // type 1: nothing is erased
  // Every block is erased: user data, the firmware in flash and the RDT's logs with it. The
  // bad-block table, the info block and the third-party table live in system blocks and stay.
  m_media.Clear();
  m_flashImage.clear();
  m_flashFirmware = FlashFirmware::None;
  m_rdtDue = false;
  m_profile.rdt.state = RdtState::NotRun;
  RebuildRdtLogs();
  return DriveStatus::Ok;
}

DriveStatus SimDrive::WindowScan(std::span<std::uint8_t> out) {
  constexpr unsigned kChannels = 2;
  if (m_code != RunningCode::Burner || out.size() < device::WindowScanReplyBytes(kChannels)) return DriveStatus::Aborted;
  device::WindowScanReply reply{};
  reply.channelCount = kChannels;
  reply.status = 0;
  reply.channels[0] = {3, 12, 7};
  reply.channels[1] = {4, 13, 8};
  std::fill(out.begin(), out.end(), 0);
  std::memcpy(out.data(), &reply, std::min(out.size(), sizeof(reply)));
  return DriveStatus::Ok;
}

DriveStatus SimDrive::SetCeMap(std::uint16_t map) {
  m_ceMapInUse = map;
  return DriveStatus::Ok;
}

DriveStatus SimDrive::Preformat(std::span<const std::uint8_t> parameters, std::uint16_t ceMap,
                                std::uint8_t options) {
  if (m_code != RunningCode::Burner || parameters.empty()) return DriveStatus::Aborted;
  // The station's layout (device/records/PreformatParameters.h): the drive takes the info block
  // and the CE map, and forgets the RDT information it was given unless asked to keep it.
  PreformatHead head;
  if (ReadRecord(parameters, head) && head.mark.Get() == std::string_view(kPreformatMark, 4)) {
    const auto block = parameters.subspan(std::min(parameters.size(), kPreformatInfoBlockOffset));
    if (block.size() < m_infoBlock.size()) return DriveStatus::Aborted;
    std::copy_n(block.begin(), m_infoBlock.size(), m_infoBlock.begin());
    // The firmware formats at most what its flash holds.
    InfoBlockRecord formatted;
    std::memcpy(&formatted, m_infoBlock.data(), sizeof(formatted));
    if (formatted.ssdSizeLba.Get() > m_profile.geometry.CapacitySectors()) {
      formatted.ssdSizeLba.Set(m_profile.geometry.CapacitySectors());
      std::memcpy(m_infoBlock.data(), &formatted, sizeof(formatted));
    }
    m_media.Resize(UserSectors());
    if (ceMap != 0) m_ceMapInUse = ceMap;
    if ((options & kPreformatOptionKeepRdt) == 0) m_writtenRdtInfo.reset();
  }
  return ResetSmart();
}

DriveStatus SimDrive::WriteDram(std::uint32_t sector, std::span<const std::uint8_t> in) {
  const auto count = static_cast<std::uint32_t>(in.size() / kSectorBytes);
  return m_dram.Write(sector, count, in) ? DriveStatus::Ok : DriveStatus::Aborted;
}

DriveStatus SimDrive::ReadDram(std::uint32_t sector, std::span<std::uint8_t> out) const {
  const auto count = static_cast<std::uint32_t>(out.size() / kSectorBytes);
  if (!m_dram.Read(sector, count, out)) return DriveStatus::Aborted;
  if (m_profile.dramFail) {
    for (std::size_t i = 0; i < out.size(); i += 64) out[i] ^= 0x01;
  }
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadEFuses(std::span<std::uint8_t> out) const {
  device::EFuseReply reply{};
  if (out.size() < sizeof(reply)) return DriveStatus::Aborted;
  reply.signature = device::kEFuseReplySignature;
  reply.cutFlags = static_cast<std::uint8_t>((m_uartCut ? device::kEFuseCutUart : 0) |
                                             (m_jtagCut ? device::kEFuseCutJtag : 0) |
                                             (m_aesCut ? device::kEFuseCutAes : 0));
  reply.sum = static_cast<std::uint8_t>(reply.signature + reply.cutFlags);
  if (m_profile.eFuseBad) {
    reply.cutFlags = 0xA5;  // a bank that reads back noise: flags and sum disagree
    reply.sum = 0x00;
  }
  reply.icVersion[0] = static_cast<std::uint8_t>(m_profile.icVersion >> 8);
  reply.icVersion[1] = static_cast<std::uint8_t>(m_profile.icVersion);
  std::fill(out.begin(), out.end(), 0);
  std::memcpy(out.data(), &reply, sizeof(reply));
  return DriveStatus::Ok;
}

DriveStatus SimDrive::CutEFuses(bool uart, bool jtag, bool aes) {
  if (m_profile.eFuseBad) return DriveStatus::Aborted;
  m_uartCut = m_uartCut || uart;
  m_jtagCut = m_jtagCut || jtag;
  m_aesCut = m_aesCut || aes;
  return DriveStatus::Ok;
}

std::array<std::uint8_t, kSmartPageBytes> SimDrive::SmartPage() const { return EncodeSmartPage(m_smart); }

DriveStatus SimDrive::ResetSmart() {
  for (auto& attribute : m_smart) {
    if (attribute.id == 0x09 || attribute.id == 0x0C || attribute.id == 0xC7) attribute.value = 0;
  }
  return DriveStatus::Ok;
}

DriveStatus SimDrive::ReadDebugData(unsigned selector, std::uint32_t firstSector, std::uint32_t count,
                                    std::span<std::uint8_t> out) const {
  std::vector<std::uint8_t> area(static_cast<std::size_t>(firstSector + count) * kSectorBytes, 0);
  if (selector == 0) {
    const auto page = SmartPage();
    std::copy(page.begin(), page.end(), area.begin());
  } else if (selector == 1) {
    std::copy(m_infoBlock.begin(), m_infoBlock.end(), area.begin());
  } else {
    return DriveStatus::Aborted;
  }
  return CopySectors(area, firstSector, count, out);
}

std::uint64_t SimDrive::UserSectors() const {
  InfoBlockRecord block;
  std::memcpy(&block, m_infoBlock.data(), sizeof(block));
  if (block.tervidInfoMark.Get() == kInfoBlockMark && block.ssdSizeLba.Get() != 0) return block.ssdSizeLba.Get();
  return m_profile.geometry.CapacitySectors();
}

DriveStatus SimDrive::ReadSectors(std::uint64_t lba, std::uint32_t count, std::span<std::uint8_t> out) const {
  if (!RunsMpFirmware()) return DriveStatus::Aborted;
  return m_media.Read(lba, count, out) ? DriveStatus::Ok : DriveStatus::Aborted;
}

DriveStatus SimDrive::WriteSectors(std::uint64_t lba, std::uint32_t count, std::span<const std::uint8_t> in) {
  if (!RunsMpFirmware()) return DriveStatus::Aborted;
  m_standby = false;
  return m_media.Write(lba, count, in) ? DriveStatus::Ok : DriveStatus::Aborted;
}

DriveStatus SimDrive::SecurityErase() {
  if (!RunsMpFirmware()) return DriveStatus::Aborted;
  m_media.Clear();
  return DriveStatus::Ok;
}

DriveStatus SimDrive::StandbyImmediate() {
  m_standby = true;
  return DriveStatus::Ok;
}

}  // namespace sim
