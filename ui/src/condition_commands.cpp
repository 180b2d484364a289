#include "ui/condition_commands.h"

#include "storage/condition_commands.h"
#include "ui/condition_name_dialog.h"
#include "ui/user_dialogs.h"

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

void NewConditionCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent) {
  std::optional<std::string> name = AskName(dialogs, parent, std::string());
  if (!name) return;
  storage::AppendNewCondition(state, *name);
}

void RenameConditionCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent) {
  // Without a condition there is nothing to rename: no dialog at all.
  if (!storage::HasCurrentCondition(state)) return;
  std::optional<std::string> name = AskName(dialogs, parent, state.Set().Element(state.CurrentIndex()).GetName());
  if (!name) return;
  storage::RenameCurrentCondition(state, *name);
}

void DeleteConditionCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* /*parent*/) {
  if (!storage::HasCurrentCondition(state)) return;
  const QString name = QString::fromStdString(state.Set().Element(state.CurrentIndex()).GetName());
  if (!dialogs.AskYesNo(name + QStringLiteral("\nを削除します\nよろしいですか？"))) return;
  storage::DeleteCurrentCondition(state);
}

}  // namespace orvel::ui
