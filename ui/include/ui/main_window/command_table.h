#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QAction;

namespace orvel::ui {

// The program's commands as actions keyed by their numbers. A command may have
// a handler and an update rule (enable, tick, text). The update rules run when
// the event loop is about to wait and before a menu opens, and once more right
// before a command runs, so a command that its rule disables never runs, from
// whatever menu, button or key it comes.
class CommandTable : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void()>;
  using Update = std::function<void(QAction&)>;

  explicit CommandTable(QObject* parent = nullptr);

  // Creates the command's action (text with "\t" and the key's name, as menus
  // show it); its status-bar prompt and tooltip come from the string table.
  QAction* Add(int id, const QString& text, bool checkable = false);
  // A second action of the same command with another text (a context menu's
  // item); it shares the handler and the update rule.
  QAction* AddAlias(int id, const QString& text);
  // The command's first action.
  QAction* Action(int id) const;

  void SetHandler(int id, Handler handler);
  void SetUpdate(int id, Update update);

  // Runs every update rule.
  void UpdateAll();
  // Runs the command now if its rule allows it; false when it did not run.
  bool Execute(int id);

 Q_SIGNALS:
  // Every update rule has run; other idle updates (status-bar panes) follow it.
  void Updated();
  // A command is about to run (its rule allowed it).
  void Executing(int id);

 private:
  struct Command {
    std::vector<QAction*> actions;
    Handler handler;
    Update update;
  };
  QAction* MakeAction(int id, const QString& text, bool checkable);
  void RunUpdate(Command& command);

  std::map<int, Command> commands_;
};

}  // namespace orvel::ui
