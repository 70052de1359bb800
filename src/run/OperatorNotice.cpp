#include "run/OperatorNotice.h"

#include <atomic>
#include <utility>

#include "engine/ErrorTags.h"
#include "platform/Text.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"

namespace {

std::atomic<bool> g_recordFailureShown{false};

}  // namespace

void ShowNoticeWithoutWaiting(std::string text) {
  ui::Dispatcher* dispatcher = ui::Dispatcher::Current();
  if (dispatcher != nullptr && !dispatcher->IsUiThread()) {
    dispatcher->Post([text = std::move(text)] { ui::ShowMessageBox(text); });
    return;
  }
  // On the user-interface thread, or with none running, the box is shown at once.
  ui::ShowMessageBox(text);
}

std::string RecordFailureNoticeText(const std::string& failure) {
  return platform::Format("%s\r\nSlots whose records cannot be written fail with %s: make room on the disk or "
                          "make the log folder writable, then test them again.",
                          failure.c_str(), engine::kRecordWriteFailedTag);
}

void ShowRecordFailureNotice(const std::string& failure) {
  if (g_recordFailureShown.exchange(true)) return;
  ShowNoticeWithoutWaiting(RecordFailureNoticeText(failure));
}

void ForgetRecordFailureNotice() { g_recordFailureShown.store(false); }
