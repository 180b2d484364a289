#include "ui/main_window/condition_commands.h"

#include "storage/condition_commands.h"
#include "storage/working_data.h"
#include "ui/dialogs/condition_name_dialog.h"
#include "ui/dialogs/user_dialogs.h"

#include <optional>
#include <string>

namespace orvel::ui {
namespace {

// Runs the name dialog starting from `name`; nothing when it was cancelled.
std::optional<std::string> AskName(IUserDialogs& dialogs, QWidget* parent, const std::string& name) {
  CConditionNameDlg dialog(parent);
  dialog.SetName(name);
  if (dialogs.Exec(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

}  // namespace

void NewConditionCommand(storage::WorkingData& data, IUserDialogs& dialogs, QWidget* parent) {
  if (std::optional<std::string> name = AskName(dialogs, parent, std::string())) data.NewCondition(*name);
}

void RenameConditionCommand(storage::WorkingData& data, IUserDialogs& dialogs, QWidget* parent) {
  // Without a condition there is nothing to rename: no dialog at all.
  const storage::ConditionState& state = data.State();
  if (!storage::HasCurrentCondition(state)) return;
  if (std::optional<std::string> name = AskName(dialogs, parent, state.Set().Element(state.CurrentIndex()).Name))
    data.RenameCondition(*name);
}

}  // namespace orvel::ui
