#pragma once
// How the scan and the bad-block text file name a block of the controller's bad-block table
// by its status byte (device/records/BadBlockTable.h). A block belongs to one group:
//  - factory: marked bad before the drive was ever used (0x80, without 0x40); with a failure
//    bit it is an "OLB", a block the factory table already listed with a failure kind;
//  - RDT: found bad by the drive's reliability test (0x40);
//  - run: failed an erase, a program or a read in a scan of this station (failure bits only);
//  - marked: carries only the further marks 0x10 / 0x20 and counts as good;
//  - good: status 0.
// The factory and RDT groups are the scan's "early" bad blocks (known before the run), the
// run group its "later" bad blocks. Within a group the first failure bit found names the
// kind, in the order erase, program, read, raid read.
#include <cstdint>
#include <string_view>

// The failure bit the table leaves unnamed: a read that failed even with the RAID parity.
inline constexpr std::uint8_t kBlockRaidReadFail = 0x08;
// Every failure bit of a status.
inline constexpr std::uint8_t kBlockFailureBits = 0x0F;

enum class BlockGroup : std::uint8_t { Good, Marked, Factory, Rdt, Run };

struct BlockKind {
  BlockGroup group = BlockGroup::Good;
  std::string_view text;   // the kind text of the scan's bad-block line ("" for a plain factory block)
};

BlockKind ClassifyBlock(std::uint8_t status);

// Bad blocks are those of the factory, RDT and run groups.
inline bool IsBadGroup(BlockGroup group) {
  return group == BlockGroup::Factory || group == BlockGroup::Rdt || group == BlockGroup::Run;
}
// Early bad blocks: known before this run (factory and RDT groups).
inline bool IsEarlyGroup(BlockGroup group) { return group == BlockGroup::Factory || group == BlockGroup::Rdt; }
