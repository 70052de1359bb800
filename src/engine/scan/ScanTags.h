#pragma once
// The error tags that the flash scan, the bad-block-table steps and the write-read tests
// leave (descriptions in the error-tag table, engine/ErrorTags.cpp), and the messages that
// go with them.
namespace scan_tags {

// Tags the system gives.
inline constexpr const char* kTableRead = "F_D01";          // table read, size or checksum
inline constexpr const char* kTableWrite = "F_T32";         // table write command
inline constexpr const char* kTransfer = "F_x50";           // debug data, third-party table transfer
inline constexpr const char* kLoadFile = "S_xMA";           // bad-block text file cannot be loaded
inline constexpr const char* kSaveFile = "A_x08";           // a file cannot be written
// Tags of ours.
inline constexpr const char* kScanCommand = "F_x41";        // scan command failed or did not complete
inline constexpr const char* kPlaneOverLimit = "F_x42";     // bad blocks of a plane over the limit
inline constexpr const char* kNoCapacityFits = "F_x43";     // automatic capacity: no capacity fits
inline constexpr const char* kFirstBlocksBad = "F_x44";     // one of the first four blocks of a CE is bad
inline constexpr const char* kRdtInfo = "F_x45";            // RDT information record not read or not valid
inline constexpr const char* kWindowCommand = "F_x46";      // timing-window scan command failed
inline constexpr const char* kWindowEmpty = "F_x47";        // timing-window scan found no passing setting
inline constexpr const char* kWriteReadCommand = "F_x48";   // write-read test: a write or read failed
inline constexpr const char* kWriteReadCompare = "F_x49";   // write-read test: data differ
inline constexpr const char* kWriteReadAmount = "F_x4A";    // write-read test: amount setting not valid

// Messages the system gives.
inline constexpr const char* kWriteTableFailed = "Issue Write BBT Command Failed !!!";
inline constexpr const char* kReadRdtInfoFailed = "Issue ReadRDTInfo Command Failed !!!";
inline constexpr const char* kRead3rdFailed = "Read 3rd BBT Failed !!!";
inline constexpr const char* kTableSizeError = "BBT Info BBTSize error!!!";
inline constexpr const char* kLoadFileFailed = "Load BBT File: %s failed!!!";
inline constexpr const char* kSaveFileFailed = "Open saving file-%s Failed";

}  // namespace scan_tags
