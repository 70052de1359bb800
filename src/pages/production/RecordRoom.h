#pragma once
// Whether the folders of a pass's records can take what the pass writes there, before any
// drive is touched: each folder (made when missing) takes a block of real data that is synced
// to the disk, and the file system that holds it has room left for what the pass writes to
// all of its folders on it at most, and 4 MiB more. A full disk still takes an empty file (a
// name needs no data block), and an almost full one takes a block but not a pass: the probe
// finds what the room reported cannot show (a quota used up, a file system that refuses
// data), the room finds what one block cannot. A file system that reports no size is judged
// by the probe.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A folder the records of a pass go to, and what the pass writes there at most.
struct RecordFolder {
  std::string folder;                 // station path text
  std::uint64_t bytesPerDrive = 0;    // what one drive's records add
  std::vector<std::string> replaced;  // files the pass replaces whole there: while one is
                                      // replaced its old and new bytes are both on the disk
};

// The operator's message for a record that cannot be written, with the reason.
std::string CannotRecordText(std::string_view path, std::string_view reason);

// "" when every folder takes data and every file system has room for a pass of `drives`
// drives, else the message that names the first folder that takes no data and why, or the
// first folder of a file system without that room, what is left there and what the pass
// needs (in MiB), and that space must be freed or another folder chosen.
std::string CheckRecordRoom(const std::vector<RecordFolder>& folders, int drives);
