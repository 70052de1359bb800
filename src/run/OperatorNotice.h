#pragma once
// A message box that a worker shows without waiting for the operator: it is posted to the
// user-interface thread, so a worker that holds a lock of the page does not keep the other
// slots waiting while the box is open.
#include <string>

void ShowNoticeWithoutWaiting(std::string text);
