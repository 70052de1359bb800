#include "sim/FaultInjector.h"

#include "platform/Text.h"

namespace sim {

namespace {

std::optional<FaultAction> ActionNamed(std::string_view name) {
  if (platform::EqualsNoCase(name, "Timeout")) return FaultAction::Timeout;
  if (platform::EqualsNoCase(name, "Pull")) return FaultAction::Pull;
  if (platform::EqualsNoCase(name, "Short")) return FaultAction::Short;
  if (platform::EqualsNoCase(name, "Sense")) return FaultAction::Sense;
  if (platform::EqualsNoCase(name, "Garbage")) return FaultAction::Garbage;
  return std::nullopt;
}

bool IsNumber(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<FaultRule> ParseFaultRule(std::string_view text) {
  std::vector<std::string> fields;
  for (const auto& field : platform::Split(text, ',')) fields.push_back(platform::Trim(field));
  if (fields.size() < 3 || fields[0].empty() || !IsNumber(fields[1])) return std::nullopt;
  FaultRule rule;
  rule.command = fields[0];
  rule.skip = static_cast<unsigned>(platform::ParseLeadingInt(fields[1]));
  const auto action = ActionNamed(fields[2]);
  if (!action) return std::nullopt;
  rule.action = *action;
  std::size_t next = 3;
  if (rule.action == FaultAction::Short) {
    if (fields.size() <= next || !IsNumber(fields[next])) return std::nullopt;
    rule.shortBytes = static_cast<std::uint32_t>(platform::ParseLeadingInt(fields[next++]));
  } else if (rule.action == FaultAction::Sense) {
    if (fields.size() < next + 3) return std::nullopt;
    rule.senseKey = static_cast<std::uint8_t>(platform::ParseHex(fields[next++], 0x0B));
    rule.asc = static_cast<std::uint8_t>(platform::ParseHex(fields[next++], 0));
    rule.ascq = static_cast<std::uint8_t>(platform::ParseHex(fields[next++], 0));
  }
  for (; next < fields.size(); ++next) {
    const std::string& field = fields[next];
    if (!platform::StartsWithNoCase(field, "times=") || !IsNumber(field.substr(6))) return std::nullopt;
    rule.times = static_cast<unsigned>(platform::ParseLeadingInt(field.substr(6)));
  }
  return rule;
}

void FaultInjector::Add(const FaultRule& rule) {
  std::lock_guard lock(m_mutex);
  m_rules.push_back({rule});
}

void FaultInjector::Clear() {
  std::lock_guard lock(m_mutex);
  m_rules.clear();
}

unsigned FaultInjector::Calls() const {
  std::lock_guard lock(m_mutex);
  return m_calls;
}

std::optional<FaultRule> FaultInjector::OnCall(std::string_view command) {
  std::lock_guard lock(m_mutex);
  ++m_calls;
  std::optional<FaultRule> fault;
  for (auto& armed : m_rules) {
    if (!platform::EqualsNoCase(armed.rule.command, "Any") && !platform::EqualsNoCase(armed.rule.command, command)) {
      continue;
    }
    const bool spent = armed.rule.times != 0 && armed.fired >= armed.rule.times;
    if (armed.seen++ < armed.rule.skip || spent) continue;
    if (fault) continue;  // one fault per call; a later rule keeps its turn
    ++armed.fired;
    fault = armed.rule;
  }
  return fault;
}

}  // namespace sim
