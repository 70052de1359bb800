#pragma once
// The bad-block scan's lines in the slot report (each written as a plain line, "   %s \r\n").
// The later-bad page's scan-report reader and the block-map dialog read them back, so their
// texts are fixed:
//
//   Die Per Flash= <dies>;
//   Plane Number = <planes>;
//   Max Block Per CE= <blocks per CE>;            (with a trailing blank)
//   Get Max Bad block number Percent= <percent>   (the marker of a scan report; trailing blank)
//   Get Max Bad block number per Plane = <limit>
// then per CE in use and die:
//        CENo_<ce>/Die_<die>-> Channel:<ch>,EarlyBad:Plane0=<n>[,Plane1=<n>...]
//        CENo_<ce>/Die_<die>-> Channel:<ch>,LaterBad:Plane0=<n>[,Plane1=<n>...]
//        Channel:<ch>,CE:<ce>,Die:<die>,Plane:<p>;    Early Bad Block_<block> (0x<block>)<kind>
//        Channel:<ch>,CE:<ce>,Die:<die>,Plane:<p>;    Later Bad Block_<block> (0x<block>)<kind>
//        CENo_<ce>/Die_<die>-> All Bad Block Count= <n>(<percent of the die>%)
// (the block lines only when the scan lists its blocks), then the totals:
//   OB + OLB     Count = <factory>
//   RDT      Bad Count = <RDT>
//   Later    Bad Count = <run>
//   All Good Blk Count = <good blocks of the CEs in use>
// and, for a plane over the limit:
//   [Error] CE: <ce>, CH: <ch>, Die: <die>, P<p>, All Bad PrePlane Number(<n>) over Spec(<limit>)
//
// EarlyBad counts the factory blocks (OLBs included), LaterBad the blocks that failed in a
// run; RDT blocks are listed as early blocks and counted in their own total. The plane
// counts printed are those of the drive's planes (1, 2 or 4).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/scan/ScanTally.h"

struct ScanLimitLines {
  std::uint32_t dies = 0;
  std::uint32_t planes = 0;
  std::uint32_t blocksPerCe = 0;
  std::uint32_t percent = 0;
  std::uint32_t maxBadPerPlane = 0;
};

std::vector<std::string> ScanGeometryLines(const ScanLimitLines& limits);
// The lines of every die; listBlocks adds one line per bad block.
std::vector<std::string> ScanDieLines(const ScanTally& tally, bool listBlocks);
std::vector<std::string> ScanCountLines(const ScanTally& tally);
// One "[Error]" line per plane of a die over the limit (none when the limit is 0).
std::vector<std::string> ScanPlaneErrorLines(const ScanTally& tally, std::uint32_t maxBadPerPlane);
