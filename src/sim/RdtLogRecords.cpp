#include "sim/RdtLogRecords.h"

#include <cstring>

namespace sim {

namespace {

constexpr std::size_t kSectorBytes = 512;

// Appends raw bytes at a write position when they fit in the log; false when they do not.
class LogWriter {
 public:
  explicit LogWriter(std::uint32_t logBytes) : m_bytes(logBytes, 0) {}
  bool Put(const void* data, std::size_t size) {
    if (size > m_bytes.size() - m_position) return false;
    std::memcpy(m_bytes.data() + m_position, data, size);
    m_position += size;
    return true;
  }
  template <typename Record>
  bool PutRecord(const Record& record) {
    const auto bytes = BytesOf(record);
    return Put(bytes.data(), bytes.size());
  }
  // Moves the write position forward to a boundary; false when it lies beyond the log.
  bool AlignTo(std::size_t boundary) {
    const std::size_t target = (m_position + boundary - 1) / boundary * boundary;
    if (target > m_bytes.size()) return false;
    m_position = target;
    return true;
  }
  void MoveTo(std::size_t position) { m_position = position < m_bytes.size() ? position : m_bytes.size(); }
  std::size_t Position() const { return m_position; }
  std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_position = 0;
};

// The first page boundary strictly above an offset.
std::size_t NextPageAbove(std::size_t offset, std::size_t pageBytes) {
  return (offset / pageBytes + 1) * pageBytes;
}

}  // namespace

std::uint32_t WholeSectors(std::size_t bytes) {
  return static_cast<std::uint32_t>((bytes + kSectorBytes - 1) / kSectorBytes * kSectorBytes);
}

std::size_t TemperatureLogBytesNeeded(std::size_t records, bool withRdtInfo) {
  return (records + 1) * sizeof(TemperatureLogRecord) + (withRdtInfo ? sizeof(MpInfo) : 0);
}

std::vector<std::uint8_t> EncodeTemperatureLog(const std::vector<TemperatureLogRecord>& records,
                                               const std::optional<MpInfo>& rdtInfo,
                                               std::uint32_t logBytes) {
  LogWriter log(logBytes);
  for (const auto& record : records) {
    if (!log.PutRecord(record)) return log.Take();
  }
  if (!log.Put(kLogEndMark, sizeof(kLogEndMark))) return log.Take();
  // The information record follows the end mark at the next 8-byte boundary (the end mark is
  // 8 bytes long, so it already is one).
  if (rdtInfo && log.AlignTo(sizeof(TemperatureLogRecord))) log.PutRecord(*rdtInfo);
  return log.Take();
}

std::size_t SdrLogBytesNeeded(std::size_t records) { return (records + 1) * sizeof(SdrLogRecord); }

std::vector<std::uint8_t> EncodeSdrLog(const std::vector<SdrLogRecord>& records, std::uint32_t logBytes) {
  LogWriter log(logBytes);
  for (const auto& record : records) {
    if (!log.PutRecord(record)) return log.Take();
  }
  log.Put(kSdrEndMark, sizeof(kSdrEndMark));
  return log.Take();
}

std::size_t SpecialLogBytesNeeded(std::size_t entries) {
  return (entries + 1) * sizeof(RdtSpecialLogEntry);
}

std::vector<std::uint8_t> EncodeSpecialLog(const std::vector<RdtSpecialLogEntry>& entries,
                                           std::uint32_t logBytes) {
  LogWriter log(logBytes);
  for (const auto& entry : entries) {
    if (!log.PutRecord(entry)) return log.Take();
  }
  std::uint8_t endEntry[sizeof(RdtSpecialLogEntry)] = {};
  std::memcpy(endEntry, kSpecialEndMarker, sizeof(kSpecialEndMarker));
  log.Put(endEntry, sizeof(endEntry));
  return log.Take();
}

std::size_t BadBlockLogBytesNeeded(std::size_t entries, std::size_t eccRecords, std::uint32_t pageBytes) {
  const std::size_t endMarkAt = entries * sizeof(RdtBadBlockLogEntry);
  std::size_t bytes = endMarkAt + sizeof(RdtBadBlockLogEntry);
  if (eccRecords > 0 && pageBytes > 0) {
    bytes = NextPageAbove(endMarkAt, pageBytes) + sizeof(kEccSectionStart) +
            (eccRecords + 1) * sizeof(RdtEccBitRecord);
  }
  return bytes;
}

std::vector<std::uint8_t> EncodeBadBlockLog(const std::vector<RdtBadBlockLogEntry>& entries,
                                            const std::vector<RdtEccBitRecord>& eccRecords,
                                            std::uint32_t pageBytes, std::uint32_t logBytes) {
  LogWriter log(logBytes);
  for (const auto& entry : entries) {
    if (!log.PutRecord(entry)) return log.Take();
  }
  const std::size_t endMarkAt = log.Position();
  std::uint8_t endSlot[sizeof(RdtBadBlockLogEntry)] = {};
  std::memcpy(endSlot, kLogEndMark, sizeof(kLogEndMark));
  if (!log.Put(endSlot, sizeof(endSlot))) return log.Take();
  if (eccRecords.empty() || pageBytes == 0) return log.Take();
  const std::size_t sectionAt = NextPageAbove(endMarkAt, pageBytes);
  if (sectionAt + sizeof(kEccSectionStart) > logBytes) return log.Take();
  log.MoveTo(sectionAt);
  log.Put(kEccSectionStart, sizeof(kEccSectionStart));
  for (const auto& record : eccRecords) {
    if (!log.PutRecord(record)) return log.Take();
  }
  log.Put(kEccSectionEnd, sizeof(kEccSectionEnd));
  return log.Take();
}

}  // namespace sim
