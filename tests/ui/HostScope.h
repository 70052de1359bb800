#pragma once
// The host that answers the model while the scope lives.
#include "ui/Host.h"

namespace uitest {

class HostScope {
 public:
  explicit HostScope(ui::Host& host) { ui::SetHost(&host); }
  ~HostScope() { ui::SetHost(nullptr); }
  HostScope(const HostScope&) = delete;
  HostScope& operator=(const HostScope&) = delete;
};

}  // namespace uitest
