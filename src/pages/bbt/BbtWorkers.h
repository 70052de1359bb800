#pragma once
// The four workers of the bad-block-table page, each run on a thread of its own with the page
// as its only argument. Each makes its own engine object (drive number: the page's
// SelectedDevice, slot number: its port number, the page's log folder and status box), brings
// the controller to its downloaded RAM code, does its job, shows its verdict in the status box
// and deletes the engine; its last step gives the drive back and enables the page's controls.
//
// The common start: "START" of the slot report; progress 5; the IC version ("I_V01" "IC ver
// Error"); progress 10; the running code (any code); progress 20; a drive on its firmware is
// forced to its boot code, a drive on its boot code jumps to its boot entry (the table workers
// read the system information first), a drive on neither gives the table workers its CE count
// from its flash IDs; the boot code is checked; the RAM code is downloaded; progress 40.
//
//  EraseAllThread          erases every block (kEraseAll, progress to 70, polling as param.ini's
//                          use_polling says), progress 90, checks that the controller still
//                          runs the RAM code it was given, "Pass, please re-plug in!!".
//  GetBbtThread            reads the RDT info and the table ("TV BBT" checked) or the table and
//                          the third-party table (cleared), sets the CE map, asks for a text
//                          file, saves the bad-block text file and the ".dll" or ".sot" image
//                          beside it and lists the file; the verdict tells whether the table's
//                          checksum is the one the RDT info records and whether the RDT built
//                          the table.
//  WriteBbtFromTextThread  loads both records and the table of a bad-block text file; before
//                          anything reaches the drive it checks that the table has the shape of
//                          the drive's own ("BBT Info BBTSize error!!!") and that the RDT info
//                          the drive will hold names the table's checksum ("BBT Info check sum
//                          is not match!!!"); then sets the CE map, writes the table with its
//                          RDT info and checks the drive's RDT info and the table read back.
//  WriteBbtFromSotThread   writes every CE's slice of a ".sot" image with its chip number.
//
// Every failure shows "Fail, %s, %s" (the code "0x%03X" of the error tag and its message) and
// writes no "END"; the steps named in the .cpp set their own tags and messages.
#include <cstdint>

class CPropertyPage_DBT;

std::uint32_t EraseAllThread(CPropertyPage_DBT* page);
std::uint32_t GetBbtThread(CPropertyPage_DBT* page);
std::uint32_t WriteBbtFromTextThread(CPropertyPage_DBT* page);
std::uint32_t WriteBbtFromSotThread(CPropertyPage_DBT* page);
