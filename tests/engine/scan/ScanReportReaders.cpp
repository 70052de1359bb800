#include "ScanReportReaders.h"

#include <cstdio>
#include <cstdlib>

namespace scantest {

namespace {

bool Has(const std::string& text, const char* key) { return text.find(key) != std::string::npos; }

std::string RemoveAll(std::string text, const std::string& word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at)) text.erase(at, word.size());
  return text;
}

std::string RemoveWords(std::string text, std::initializer_list<const char*> words) {
  text = RemoveAll(text, " ");
  for (const char* word : words) text = RemoveAll(text, word);
  return text;
}

// The text up to a character (and the rest after it).
std::string UpTo(std::string& rest, char end) {
  const std::size_t at = rest.find(end);
  std::string field = rest.substr(0, at);
  rest = at == std::string::npos ? std::string() : rest.substr(at + 1);
  return field;
}

// The fields of a per-plane row, its words removed: "<ce>/<die>-><channel>,<p0>,<p1>,<p2>,<p3>".
PlaneRow ReadPlaneFields(std::string rest) {
  PlaneRow row;
  row.ce = UpTo(rest, '/');
  row.die = UpTo(rest, '-');
  if (rest.rfind(">", 0) == 0) rest.erase(0, 1);
  row.channel = UpTo(rest, ',');
  for (int plane = 0; plane < 4; ++plane) row.planes.push_back(UpTo(rest, ','));
  return row;
}

// The value of a count or setting line: after the first "=", blanks skipped, the run of
// non-blank characters.
std::string Value(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return "";
  std::size_t start = line.find_first_not_of(' ', equals + 1);
  if (start == std::string::npos) return "";
  return line.substr(start, line.find(' ', start) - start);
}

int GeometryValue(const std::string& line) {
  char key[256] = {};
  char value[256] = {};
  if (std::sscanf(line.c_str(), "%255[^=]=%255[^;];", key, value) != 2) return 0;
  return std::atoi(value);
}

}  // namespace

ScanReportView ReadScanReport(const std::vector<std::string>& lines) {
  ScanReportView view;
  std::pair<std::string, std::string> remembered;
  for (const std::string& line : lines) {
    if (Has(line, "Get Max Bad block number Percent")) view.scanMarker = true;
    // A per-plane early-bad line.
    if (Has(line, "/Die_") && !Has(line, "All Bad Block Count") && !Has(line, "LaterBad:")) {
      view.earlyRows.push_back(ReadPlaneFields(RemoveWords(line, {"Die_", "CENo_", "Plane:", "EarlyBad:", "Channel:",
                                                                  "Plane0=", "Plane1=", "Plane2=", "Plane3="})));
    }
    std::string copy = line;
    // An all-bad line (and every line with "/Die_").
    if (Has(line, "/Die_") || Has(line, "All Bad Block Count")) {
      copy = RemoveWords(copy, {"Die_", "CENo_", "Plane:", "EarlyBad:", "AllBadBlockCount=", "Channel:", "Plane0=",
                                "Plane1=", "Plane2=", "Plane3="});
      if (!Has(line, "All Bad Block Count")) {
        const PlaneRow row = ReadPlaneFields(copy);
        remembered = {row.channel, row.ce};
      } else {
        std::string rest = copy;
        UpTo(rest, '>');
        view.allBad[remembered] += static_cast<unsigned>(std::atoi(UpTo(rest, '(').c_str()));
      }
    }
    // A per-plane later-bad line.
    if (Has(line, "LaterBad:")) {
      const std::string rest = RemoveWords(copy, {"Channel:", "LaterBad:", "Plane0=", "Plane1=", "Plane2=", "Plane3="});
      std::vector<std::string> fields;
      std::string left = rest;
      for (int i = 0; i < 5; ++i) fields.push_back(UpTo(left, ','));
      view.laterRows.push_back({fields.begin() + 1, fields.end()});
    }
    // The bad-block list lines.
    const bool early = Has(line, "Early Bad Block_");
    if (early || Has(line, "Later Bad Block_")) {
      std::string rest = RemoveWords(line, {"Channel:", "CE:", "Die:", "Plane:", early ? "EarlyBadBlock_" : "LaterBadBlock_"});
      ListedBlock block;
      block.channel = UpTo(rest, ',');
      block.ce = UpTo(rest, ',');
      block.die = UpTo(rest, ',');
      block.plane = UpTo(rest, ';');
      block.block = UpTo(rest, '(');
      block.address = UpTo(rest, ')');
      block.kind = rest;
      if (Has(line, "Erase Bad-RDT") || Has(line, "Program Bad-RDT") || Has(line, "Read Bad-RDT")) {
        remembered = {block.channel, block.ce};
        ++view.rbb[remembered];
      }
      const bool olb = Has(line, "Erase-OLB") || Has(line, "Program-OLB") || Has(line, "Read-OLB") || Has(line, "Raid-OLB");
      if (early && !olb) {
        remembered = {block.channel, block.ce};
        view.earlyList.push_back(block);
        if (!Has(block.kind, "RDT")) ++view.ob[remembered];
      } else if (!early) {
        view.laterList.push_back(block);
      }
    }
    // The count and value lines, by their keys.
    for (const char* key : {"OB + OLB     Count", "RDT      Bad Count", "Later    Bad Count", "All Good Blk Count",
                            "Identify_FW Version", "Info Block_Max Bad Percent", "RDT Info_RDT Loop", "RDT Info_CE Map"}) {
      if (Has(line, key)) {
        view.boxes[key] = Value(line.substr(line.find_first_not_of(' ')));
        break;
      }
    }
  }
  return view;
}

BlockMapView ReadBlockMap(const std::vector<std::string>& lines) {
  BlockMapView view;
  for (const std::string& line : lines) {
    if (Has(line, "CENo_") && Has(line, "/Die_")) {
      char a[256] = {}, b[256] = {}, c[256] = {}, d[256] = {};
      if (std::sscanf(line.c_str(), "%255[^_]_%255[^/]/%255[^_]_%255[^-]-", a, b, c, d) >= 2) {
        view.cesPresent.push_back(std::atoi(b));
      }
    }
    if (Has(line, "Plane Number")) view.planes = GeometryValue(line);
    if (Has(line, "Die Per Flash")) view.dies = GeometryValue(line);
    if (Has(line, "Max Block Per CE")) view.blockCount = GeometryValue(line) * view.dies;
    const bool early = Has(line, "Early Bad Block_");
    if (!early && !Has(line, "Later Bad Block_")) continue;
    const std::string rest =
        RemoveWords(line, {"Channel:", "CE:", "Die:", "Plane:", early ? "EarlyBadBlock_" : "LaterBadBlock_"});
    char channel[256] = {}, ce[256] = {}, die[256] = {}, plane[256] = {}, block[256] = {}, address[256] = {},
         kind[256] = {};
    std::sscanf(rest.c_str(), "%255[^,],%255[^,],%255[^,],%255[^;];%255[^(](%255[^)])%255s", channel, ce, die, plane,
                block, address, kind);
    static const std::map<std::string, std::string> kEarlyKinds{
        {"EraseBad-RDT", "1_Erase-RDT"}, {"ProgramBad-RDT", "2_Program-RDT"}, {"ReadBad-RDT", "3_Read-RDT"},
        {"RaidReadBad-RDT", "4_RaidRead-RDT"}, {"Erase-OLB", "1_Erase-OLB"}, {"Program-OLB", "2_Program-OLB"},
        {"Read-OLB", "3_Read-OLB"}, {"Raid-OLB", "4_RaidRead-OLB"}};
    static const std::map<std::string, std::string> kLaterKinds{{"EraseBad-Run", "1_Erase-Run"},
                                                                {"ProgramBad-Run", "2_Program-Run"},
                                                                {"ReadBad-Run", "3_Read-Run"},
                                                                {"RaidReadBad-Run", "4_RaidRead-Run"}};
    const auto& kinds = early ? kEarlyKinds : kLaterKinds;
    const auto found = kinds.find(kind);
    view.cells[{channel, std::atoi(ce), std::atoi(block)}] =
        found != kinds.end() ? found->second : (early ? "0_Early Bad" : "1_Later Bad");
  }
  return view;
}

}  // namespace scantest
