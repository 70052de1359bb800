#pragma once
// The result code that the RDT firmware leaves in its information record (byte 0x04). The
// codes 0x11 to 0x15 fail the drive before any log but the temperature log is read.
#include <cstdint>
#include <optional>
#include <string>

#include "device/records/InfoBlock.h"

struct RdtFailure {
  std::string tag;
  std::string message;
};

inline constexpr std::uint8_t kRdtResultTimeOut = 0x11;
inline constexpr std::uint8_t kRdtResultBadBlockOver = 0x12;
inline constexpr std::uint8_t kRdtResultFlashIdError = 0x13;
inline constexpr std::uint8_t kRdtResultFlashIdMissing = 0x14;
inline constexpr std::uint8_t kRdtResultSystemBlockError = 0x15;

// The failure a record's result code stands for; nullopt when the reading goes on.
// maxTimeMs: the largest Time(ms) of the temperature log; timeOutLimitSeconds: the
// configured limit shown with a time-out (not shown when 0 or less).
std::optional<RdtFailure> JudgeRdtResultCode(const MpInfo& info, std::uint32_t maxTimeMs, int timeOutLimitSeconds);
