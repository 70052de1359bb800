#include "engine/rdtlog/RdtLimitRequest.h"

#include <algorithm>

#include "platform/Text.h"

std::uint8_t g_RdtRequest = 0;
std::string g_RdtLimitText;

std::uint32_t ApplyRdtLimitRequest(RdtLimitRequest& request, const RdtFlashGeometry& geometry,
                                   std::uint32_t maxBadPerPlane, RdtOutput& out) {
  if (!request.pending) return maxBadPerPlane;
  request.pending = false;
  std::string& text = request.limitText;
  if (text.empty() || text == "0") return maxBadPerPlane;
  out.ReportLine("RDT Result Bad Block limit = " + text);
  std::uint32_t limit = 0;
  if (text.find('%') != std::string::npos) {
    text.erase(std::remove(text.begin(), text.end(), '%'), text.end());
    const std::uint32_t percent = static_cast<std::uint32_t>(platform::ParseLeadingInt(text));
    limit = MaxBadPerPlaneOf(geometry, percent);
  } else {
    limit = static_cast<std::uint32_t>(platform::ParseLeadingInt(text));
  }
  out.ReportLine(platform::Format("RDT Result max bad per plane = %d", static_cast<int>(limit)));
  return limit;
}
