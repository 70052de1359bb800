#pragma once
// The one-shot per-plane bad-block limit that the RDT result page hands to the next RDT log
// reading. The page sets g_RdtRequest and g_RdtLimitText on its UI thread before it starts
// its worker; the worker moves them into the engine it made (CMPDevice::TakeRdtLimitRequest),
// so that only that engine's reading uses the limit and an engine of a production flow never
// sees it. The reading takes the engine's copy and clears it in every case.
#include <cstdint>
#include <string>

#include "engine/rdtlog/RdtBadBlockSpec.h"
#include "engine/rdtlog/RdtOutput.h"

extern std::uint8_t g_RdtRequest;
extern std::string g_RdtLimitText;

struct RdtLimitRequest {
  bool pending = false;
  std::string limitText;  // a number of blocks, or a percentage with "%"
};

// Applies a pending request with a usable text ("RDT Result Bad Block limit = %s", "RDT Result
// max bad per plane = %d"): a text with "%" (every "%" then removed from it) is a percentage
// of the blocks per CE spread over the dies and planes, any other text the number itself.
// Returns the new per-plane limit, or the given one when the text is empty or "0". The
// request is no longer pending afterwards.
std::uint32_t ApplyRdtLimitRequest(RdtLimitRequest& request, const RdtFlashGeometry& geometry,
                                   std::uint32_t maxBadPerPlane, RdtOutput& out);
