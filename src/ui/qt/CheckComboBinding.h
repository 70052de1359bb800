#pragma once
// The Qt rendering of the check-list combo box: a QComboBox whose selection field and list
// lines are painted from the model's DrawItem (a check box, then the text), whose keys and
// clicks go to the model's User* calls, and whose list stays open after a click on a check
// box.
#include <memory>

#include "ui/CheckComboBox.h"
#include "ui/qt/Bindings.h"

namespace uiqt {

std::unique_ptr<Binding> MakeCheckComboBinding(ui::CCheckComboBox& combo, QWidget* parent);

}  // namespace uiqt
