#pragma once
// The block-information record: the bad-block counts of one drive per CE slot, channel slot
// and plane, with the limits they were judged against. The bad-block scan ("SCA1", "SCA2")
// and the RDT judgement ("RDT") fill a record that the flow zeroed; the flow appends it raw
// to the slot's file "#%d.bin" under Configuration\Temp, one record after the other with no
// header. The record is a file format: every offset below is part of it, numbers are
// little-endian, and fields a writer does not set stay zero.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

inline constexpr std::size_t kBlockInfoCeSlots = 64;
inline constexpr std::size_t kBlockInfoChannelSlots = 16;
inline constexpr std::size_t kBlockInfoPlanes = 4;
inline constexpr std::size_t kBlockInfoLaterWords = 13;

// Words of one later-bad plane block.
enum BlockInfoLaterWord : std::size_t {
  kLaterTotal = 0,      // total later bad blocks
  kLaterErase = 1,      // erase failures
  kLaterProgram = 2,    // program failures
  kLaterRead = 3,       // read-related failures
  // words 4..12 are reserved (zero)
};

struct BlockInfoRecord {
  char tag[4];                      // 0x0: "SCA1", "SCA2" or "RDT\0"
  std::uint32_t perPlaneLimit;      // 0x4: maximum bad blocks per plane of the writer's judgement
  std::uint32_t allBadLimit;        // 0x8: "RDT" records only
  // 0xC: early (factory) bad blocks: [CE slot][channel slot][plane].
  std::uint32_t early[kBlockInfoCeSlots][kBlockInfoChannelSlots][kBlockInfoPlanes];
  // 0x400C: later bad blocks: [CE slot][channel slot][plane][word].
  std::uint32_t later[kBlockInfoCeSlots][kBlockInfoChannelSlots][kBlockInfoPlanes][kBlockInfoLaterWords];
  std::uint16_t rdtCeMap;           // 0x3800C: bit n = CE n was tested by the RDT firmware
  std::uint8_t reserved[2];         // 0x3800E

  void Clear() { std::memset(this, 0, sizeof(*this)); }
  void SetTag(std::string_view text) {
    std::memset(tag, 0, sizeof(tag));
    std::memcpy(tag, text.data(), text.size() < sizeof(tag) ? text.size() : sizeof(tag));
  }
  // The tag as written ("SCA1", "SCA2", "RDT"), without the trailing zero bytes.
  std::string_view Tag() const {
    std::size_t length = 0;
    while (length < sizeof(tag) && tag[length] != '\0') ++length;
    return std::string_view(tag, length);
  }
};

// The record is stored exactly as it lies in memory, so the host must keep numbers
// little-endian and the layout must be the file's, to the byte.
static_assert(std::endian::native == std::endian::little, "BlockInfoRecord is stored raw, little-endian");
static_assert(sizeof(BlockInfoRecord) == 229392);
static_assert(sizeof(BlockInfoRecord) == 0x38010);
static_assert(offsetof(BlockInfoRecord, perPlaneLimit) == 0x4);
static_assert(offsetof(BlockInfoRecord, allBadLimit) == 0x8);
static_assert(offsetof(BlockInfoRecord, early) == 0xC);
static_assert(offsetof(BlockInfoRecord, later) == 0x400C);
static_assert(offsetof(BlockInfoRecord, rdtCeMap) == 0x3800C);
static_assert(offsetof(BlockInfoRecord, reserved) == 0x3800E);
// Offsets of one entry as the file format gives them.
static_assert(offsetof(BlockInfoRecord, early[1][0][0]) == 0xC + 0x100);
static_assert(offsetof(BlockInfoRecord, early[0][1][0]) == 0xC + 0x10);
static_assert(offsetof(BlockInfoRecord, early[0][0][1]) == 0xC + 4);
static_assert(offsetof(BlockInfoRecord, later[1][0][0][0]) == 0x400C + 0xD00);
static_assert(offsetof(BlockInfoRecord, later[0][1][0][0]) == 0x400C + 0xD0);
static_assert(offsetof(BlockInfoRecord, later[0][0][1][0]) == 0x400C + 0x34);

inline constexpr std::size_t kBlockInfoRecordBytes = sizeof(BlockInfoRecord);
