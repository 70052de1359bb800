#pragma once
// Temperature codes of the RDT logs: code 0 "<-35", codes 1 to 15 are (code - 4) x 10
// degrees, 16 ">110". A code above 16 repeats the text made last, which is why one object
// serves both the temperature/time log and the DRAM log of one reading (empty before any).
#include <cstdint>
#include <string>

class CTemperatureText {
 public:
  // The text of a code; a known code also becomes the text made last.
  const std::string& Make(std::uint8_t code);

 private:
  std::string m_last;
};
