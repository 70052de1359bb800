#include "pages/legacy/ProductInfo.h"

#include "pages/legacy/LegacyGlobals.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"

namespace {

constexpr std::size_t kValueBuffer = 256;  // values of at most 255 characters
constexpr const char* kSupportedController = "TV3160";

std::string ParamText(std::string_view section, std::string_view key) {
  return platform::ReadProfileString(g_ParamIniPath, section, key, "", kValueBuffer);
}

std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string CapacityText(int megabytes) {
  if (megabytes < 1024) return platform::Format("%d MB", megabytes);
  return platform::Format("%d GB", megabytes / 1024);
}

std::vector<std::string> ProductInfoLines(std::string_view infoSource, std::string_view workingNo) {
  const std::string controllerType = platform::Trim(ParamText("Device Info", "ControllerType"));
  const std::string workOrder = workingNo.empty() ? ParamText("General Info", "WorkingNo") : std::string(workingNo);
  const std::string modelName = ParamText("General Info", "ModelName");
  g_ModelName.Set(modelName);
  std::string ispCode;
  if (platform::StartsWithNoCase(controllerType, kSupportedController)) {
    ispCode = FileNamePart(platform::Trim(ParamText("Device Info", "ISP_MPBINCode")));
  }
  const int capacity = platform::ReadProfileInt(g_ParamIniPath, "Flash Info", "Flh_Capacity", 0);
  return {
      platform::Format("Info Source : %s ", std::string(infoSource).c_str()),
      platform::Format("(1) Working Order : %s", workOrder.c_str()),
      platform::Format("(2) Controller Type : %s", controllerType.c_str()),
      platform::Format("(3) Model Name : %s", modelName.c_str()),
      platform::Format("(4) ISP_FW Code : %s", ispCode.c_str()),
      platform::Format("(5) SSD Total Capacity : %s", CapacityText(capacity).c_str()),
      platform::Format("      DDR Size : %s MB", ParamText("Options", "DDRSize").c_str()),
      platform::Format("(6) Flash MakeCode : %s", ParamText("Flash Info", "Flh_MakeCode").c_str()),
      platform::Format("(7) Flash Type : %s", ParamText("Flash Info", "Flh_Type").c_str()),
      platform::Format("(8) Flash Number : %s", ParamText("Flash Info", "Flh_Number").c_str()),
      platform::Format("(9) Flash ID : %s", ParamText("Flash Info", "Flh_ID").c_str()),
  };
}

std::string SerialRangeText(std::string_view start, std::string_view last) {
  std::string prefix;
  std::string tail;
  if (!last.empty()) {
    prefix = std::string(last.substr(0, 12));
    const std::string_view digits = last.size() > 8 ? last.substr(last.size() - 8) : last;
    tail = platform::Format("%08d", platform::ParseLeadingInt(digits) - 1);
  }
  return platform::Format("%s%s ~ %s", prefix.c_str(), std::string(start).c_str(), tail.c_str());
}
