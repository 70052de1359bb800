#include "run/OperatorNotice.h"

#include <utility>

#include "ui/Dispatcher.h"
#include "ui/Host.h"

void ShowNoticeWithoutWaiting(std::string text) {
  ui::Dispatcher* dispatcher = ui::Dispatcher::Current();
  if (dispatcher != nullptr && !dispatcher->IsUiThread()) {
    dispatcher->Post([text = std::move(text)] { ui::ShowMessageBox(text); });
    return;
  }
  // On the user-interface thread, or with none running, the box is shown at once.
  ui::ShowMessageBox(text);
}
