#include "scripted_dialogs.h"

#include "ui/dialogs/version_dialog.h"

namespace orvel::test {

bool ScriptedDialogs::AskYesNo(const QString& text) {
  questions.push_back(text);
  if (answers.empty()) return false;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

int ScriptedDialogs::Exec(QDialog& dialog) {
  dialogTitles.push_back(dialog.windowTitle());
  if (auto* version = qobject_cast<ui::VersionDialog*>(&dialog)) {
    questions.push_back(version->Text());
    if (modal.empty()) {
      engine::KeepVersion answer = engine::KeepVersion::Neither;
      if (!versions.empty()) {
        answer = versions.front();
        versions.pop_front();
      }
      version->Choose(answer);
      return version->result();
    }
  }
  if (modal.empty()) return QDialog::Rejected;
  std::function<int(QDialog&)> script = std::move(modal.front());
  modal.pop_front();
  return script(dialog);
}

std::optional<QString> ScriptedDialogs::Next(std::deque<std::optional<QString>>& queue) {
  std::optional<QString> answer;
  if (!queue.empty()) {
    answer = std::move(queue.front());
    queue.pop_front();
  }
  return answer;
}

}  // namespace orvel::test
