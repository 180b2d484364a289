// Placeholder until the options sheet lands; replaced by its implementation.
#include "ui/options_sheet.h"
namespace orvel::ui {
void OptionsCommand(storage::ConditionState&, IUserDialogs&, QWidget*) {}
}  // namespace orvel::ui
