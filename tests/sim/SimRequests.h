#pragma once
// Raw pass-through requests for the simulator tests, built with the device layer's own
// builders, and a small station made in code.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "device/CommandBlocks.h"
#include "device/Transport.h"
#include "device/VendorCommands.h"
#include "sim/SimStation.h"
#include "sim/SimTransport.h"

namespace simtest {

// A request and the buffer it points into.
struct Request {
  device::PassThroughRequest request;
  std::vector<std::uint8_t> buffer;
  device::PassThroughRequest& Get() {
    request.data = buffer.empty() ? nullptr : buffer.data();
    request.dataLength = static_cast<std::uint32_t>(buffer.size());
    return request;
  }
};

// A vendor command in its vendor block (bridge = false) or its ATA PASS-THROUGH form.
Request Vendor(device::CommandId id, std::uint64_t argument = 0, std::uint32_t sectors = 0, bool bridge = false);
// An ATA command with LBA and sector count.
Request Ata(device::CommandId id, std::uint64_t lba = 0, std::uint32_t sectors = 0, bool checkCondition = false,
            std::uint16_t features = 0);
Request Tester(device::CommandId id, std::array<std::uint8_t, 4> parameters = {});
Request Inquiry(std::uint16_t allocation = device::kInquiryLength);

// Fills a data-out request's buffer.
void Fill(Request& request, std::span<const std::uint8_t> bytes);

// A station of boards made in code: every slot holds a drive of the given profile.
std::shared_ptr<sim::SimStation> MakeStation(const std::vector<unsigned>& slotsPerBoard,
                                             const sim::DriveProfile& profile = {});

// Sends a request; the result.
device::PassThroughResult Send(sim::SimTransport& transport, const std::string& path, Request& request);

// The sense key of a result (fixed or descriptor sense), 0 when none.
std::uint8_t SenseKey(const device::PassThroughResult& result);

}  // namespace simtest
