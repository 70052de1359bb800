#pragma once
// A message box that a worker shows without waiting for the operator: it is posted to the
// user-interface thread, so a worker that holds a lock of the page does not keep the other
// slots waiting while the box is open.
#include <string>

void ShowNoticeWithoutWaiting(std::string text);

// Lost records: the first slot of a pass whose records could not be written tells the
// operator (without waiting) what failed; the other slots of the pass show their failure in
// their cells only. The production page forgets the notice when it starts a pass.
void ShowRecordFailureNotice(const std::string& failure);
void ForgetRecordFailureNotice();
// The text of that notice.
std::string RecordFailureNoticeText(const std::string& failure);
