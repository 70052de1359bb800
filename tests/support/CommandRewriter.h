#pragma once
// A transport that passes every request on to another and changes the data of one vendor
// command on the way: the data a drive is sent, before it goes, or the data a drive answered,
// after it came. Tests stage with it what a drive sends or keeps wrongly where no fault rule of
// the simulator does (a parameter record of another geometry, a table kept otherwise than sent).
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "sim/SlotCommands.h"
#include "support/ForwardingTransport.h"

namespace testsupport {

class CommandRewriter : public ForwardingTransport {
 public:
  enum class Data { Sent, Answered };
  using Change = std::function<void(std::span<std::uint8_t>)>;

  // command: the name the simulator's decoder gives it ("Write BBT"), in either command form.
  CommandRewriter(std::shared_ptr<device::Transport> inner, std::string command, Data data, Change change)
      : ForwardingTransport(std::move(inner)),
        m_command(std::move(command)),
        m_data(data),
        m_change(std::move(change)) {}

  device::PassThroughResult Execute(const std::string& path, device::PassThroughRequest& request) override {
    const bool matches = Matches(request);
    if (matches && m_data == Data::Sent) m_change(DataOf(request));
    const device::PassThroughResult result = ForwardingTransport::Execute(path, request);
    if (matches && m_data == Data::Answered && result.Succeeded()) m_change(DataOf(request));
    return result;
  }

 private:
  bool Matches(const device::PassThroughRequest& request) const {
    return request.data != nullptr && sim::DecodeCommand(request).Name() == m_command;
  }
  static std::span<std::uint8_t> DataOf(device::PassThroughRequest& request) {
    return {request.data, request.dataLength};
  }

  std::string m_command;
  Data m_data;
  Change m_change;
};

}  // namespace testsupport
