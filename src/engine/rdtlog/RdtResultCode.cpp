#include "engine/rdtlog/RdtResultCode.h"

#include "engine/rdtlog/TemperatureLog.h"
#include "platform/Text.h"

std::optional<RdtFailure> JudgeRdtResultCode(const MpInfo& info, std::uint32_t maxTimeMs, int timeOutLimitSeconds) {
  const std::uint8_t code = RdtResultCode(info);
  switch (code) {
    case kRdtResultTimeOut: {
      const int totalSeconds = static_cast<int>(maxTimeMs / 1000);
      if (timeOutLimitSeconds > 0) {
        return RdtFailure{"I_T52", platform::Format("e_RDT_RESULT_FLH_TEST_TIME_OUT,  total %d seconds,  "
                                                    "TimeOutLimit %d seconds",
                                                    totalSeconds, timeOutLimitSeconds)};
      }
      return RdtFailure{"I_T52", platform::Format("e_RDT_RESULT_FLH_TEST_TIME_OUT,  total %d seconds", totalSeconds)};
    }
    case kRdtResultBadBlockOver:
      return RdtFailure{"I_T53", platform::Format("e_RDT_RESULT_FLH_TEST_BB_OVER, Bad Block Number = %d",
                                                  static_cast<int>(info.errorWord.GetBits(8, 24)))};
    case kRdtResultFlashIdError:
      return RdtFailure{"I_T53", platform::Format("e_RDT_RESULT_FLH_ID_ERROR, error code = %d", code)};
    case kRdtResultFlashIdMissing:
      return RdtFailure{"I_T53", platform::Format("e_RDT_RESULT_FLH_ID_MISS_ERROR, error code = %d", code)};
    case kRdtResultSystemBlockError:
      return RdtFailure{"I_T54", platform::Format("e_RDT_RESULT_SYS_BlK_ERROR, error code = %d", code)};
    default:
      return std::nullopt;
  }
}
