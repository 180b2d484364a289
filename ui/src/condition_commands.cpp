// Placeholder until the condition commands land; replaced by their implementation.
#include "ui/condition_commands.h"
namespace orvel::ui {
void NewConditionCommand(storage::ConditionState&, IUserDialogs&, QWidget*) {}
void RenameConditionCommand(storage::ConditionState&, IUserDialogs&, QWidget*) {}
void DeleteConditionCommand(storage::ConditionState&, IUserDialogs&, QWidget*) {}
}  // namespace orvel::ui
