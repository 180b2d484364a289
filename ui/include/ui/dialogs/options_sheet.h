#pragma once

#include "storage/working_set.h"

#include <QDialog>

namespace orvel::storage {
class ConditionState;
}

class QDialogButtonBox;
class QTabWidget;
class QWidget;

namespace orvel::ui {

class COptionsPage;
class CEnvPage;
class CSearchPage;
class CSyncPage;
class IUserDialogs;

// The property sheet "オプション": the pages "同期", "検索" and "環境" in that order,
// starting on "同期", with OK and Cancel. Leaving a page or confirming the sheet
// reads the page's controls back; a refused value keeps the user on its page
// with the message and the focus in the edit.
class COptionsSheet : public QDialog {
  Q_OBJECT
 public:
  COptionsSheet(IUserDialogs& dialogs, QWidget* parent = nullptr);
  ~COptionsSheet() override;

  // The values the pages edit: a copy of the working set.
  storage::WorkingSet& Values() { return values_; }
  CSyncPage& SyncPage() { return *sync_; }
  CSearchPage& SearchPage() { return *search_; }
  CEnvPage& EnvPage() { return *env_; }
  QTabWidget* Tabs() const { return tabs_; }

  // Makes "同期" the active page and fills it; call after setting the values.
  void Begin();

  // Only after the active page has been read back without a refusal.
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  COptionsPage* Page(int index) const;
  void PageChanged(int index);
  // Reads page `index` back; on a refusal returns to it and tells the user.
  bool LeavePage(int index);

  IUserDialogs& dialogs_;
  storage::WorkingSet values_;
  QTabWidget* tabs_;
  QDialogButtonBox* buttons_;
  CSyncPage* sync_;
  CSearchPage* search_;
  CEnvPage* env_;
  int shownIndex_ = 0;
  bool returning_ = false;  // the sheet itself is switching back to a page
};

// The options command: the sheet "オプション" with the pages "同期", "検索" and "環境"
// for the current condition and the global options. The extension edits of the
// condition bar are taken first, also when the sheet is then cancelled; OK
// writes every page's values into the working set, shows them in the condition
// bar and stores the current condition.
void OptionsCommand(storage::ConditionState& state, IUserDialogs& dialogs, QWidget* parent);

}  // namespace orvel::ui
