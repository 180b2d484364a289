#include "ui/main_window/command_table.h"

#include "ui/main_window/string_table.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>

namespace orvel::ui {

CommandTable::CommandTable(QObject* parent) : QObject(parent) {
  // The idle update of the menus and buttons, as the event loop is about to wait.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CommandTable::UpdateAll);
  }
}

QAction* CommandTable::MakeAction(int id, const QString& text, bool checkable) {
  auto* action = new QAction(text, this);
  action->setData(id);
  action->setCheckable(checkable);
  action->setStatusTip(PromptText(id));
  QString tooltip = TooltipText(id);
  if (!tooltip.isEmpty()) action->setToolTip(tooltip);
  // A checkable action flips its own tick when triggered; the update rule sets
  // it back from the working set, which is the only truth.
  connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
  commands_[id].actions.push_back(action);
  return action;
}

QAction* CommandTable::Add(int id, const QString& text, bool checkable) {
  QAction* action = MakeAction(id, text, checkable);
  action->setObjectName(QStringLiteral("cmd%1").arg(id));
  return action;
}

QAction* CommandTable::AddAlias(int id, const QString& text) {
  QAction* first = Action(id);
  QAction* action = MakeAction(id, text, first && first->isCheckable());
  action->setObjectName(QStringLiteral("popup%1").arg(id));
  return action;
}

QAction* CommandTable::Action(int id) const {
  auto it = commands_.find(id);
  return it == commands_.end() || it->second.actions.empty() ? nullptr : it->second.actions.front();
}

void CommandTable::SetHandler(int id, Handler handler) { commands_[id].handler = std::move(handler); }

void CommandTable::SetUpdate(int id, Update update) { commands_[id].update = std::move(update); }

void CommandTable::RunUpdate(Command& command) {
  if (!command.update) return;
  for (QAction* action : command.actions) command.update(*action);
}

void CommandTable::UpdateAll() {
  for (auto& entry : commands_) RunUpdate(entry.second);
  Q_EMIT Updated();
}

bool CommandTable::Execute(int id) {
  auto it = commands_.find(id);
  if (it == commands_.end()) return false;
  Command& command = it->second;
  RunUpdate(command);
  if (!command.actions.empty() && !command.actions.front()->isEnabled()) return false;
  Q_EMIT Executing(id);
  if (command.handler) command.handler();
  // The command may have ended the program's windows; look the command up again.
  it = commands_.find(id);
  if (it != commands_.end()) RunUpdate(it->second);
  return true;
}

}  // namespace orvel::ui
