#pragma once
// Small readings of drive data that the station flows share: the number of CEs that report a
// flash ID in the scan-all-flash-ID table, the UI CE map of the settings text, and texts of
// IDENTIFY DEVICE words (serial number, model number), and the running firmware's bin type in
// its system information.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The scan-all-flash-ID table: 64 entries of 8 bytes, one per CE, whose first 7 bytes are the
// CE's flash ID (all zero for a CE without flash).
inline constexpr std::size_t kFlashIdTableBytes = 512;
inline constexpr std::size_t kFlashIdTableEntryBytes = 8;
inline constexpr std::size_t kFlashIdBytesPerEntry = 7;

// Entries of the table whose flash ID is not all zero (a table shorter than 512 bytes counts
// its whole entries only).
std::uint32_t CountFlashIdCEs(std::span<const std::uint8_t> table);

// The value of a "CHCEMap" text: hexadecimal as "%X" reads it (an optional "0x" prefix, blanks
// around it ignored); an empty or non-hexadecimal text is 0. The caller keeps the 16 bits of
// the CE map in use.
unsigned long ParseCeMapText(std::string_view text);

// IDENTIFY DEVICE words 10..19 (serial number) and 27..46 (model number).
inline constexpr std::size_t kIdentifySerialFirstWord = 10;
inline constexpr std::size_t kIdentifySerialWords = 10;
inline constexpr std::size_t kIdentifyModelFirstWord = 27;
inline constexpr std::size_t kIdentifyModelWords = 20;

// The raw characters of IDENTIFY words [firstWord, firstWord + words): each word's high byte
// first, then its low byte. The text stops at the first NUL byte; words past the end of the
// data are not read. Nothing is trimmed.
std::string IdentifyWordsText(std::span<const std::uint8_t> identify, std::size_t firstWord, std::size_t words);

// The bin type of the running firmware in its system information: the characters of bytes
// 349, 348, 351 and 350, in that order; the text ends at its first zero byte or at the end of
// the data.
std::string FirmwareBinTypeText(std::span<const std::uint8_t> systemInfo);
