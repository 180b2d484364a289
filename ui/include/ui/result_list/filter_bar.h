#pragma once

#include "ui/result_list/result_model.h"

#include <QWidget>

#include <array>

class QLineEdit;
class QToolButton;

namespace orvel::ui {

// The bar above the result list that narrows what it shows: toggles for the
// kinds of lines (differences, conflicts, failures, deletions, identical; none
// chosen shows every kind) and a part of the name, as typed, in any case. It
// is hidden until asked for (Ctrl+F, the 表示 menu); hidden, it hides nothing.
// Every change is told at once: a keystroke filters the list.
class FilterBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::array<unsigned, 5> kKinds = {ResultModel::kDifferences, ResultModel::kConflicts,
                                                     ResultModel::kFailures, ResultModel::kDeletions,
                                                     ResultModel::kIdentical};

  explicit FilterBar(QWidget* parent = nullptr);

  QLineEdit* NameEdit() const { return name_; }
  QToolButton* KindButton(unsigned kind) const;
  // What the bar asks for; nothing while it is hidden.
  ResultModel::Filter CurrentFilter() const;

  // Shows the bar with the focus in the name.
  void Open();
  // Shows the bar with exactly these kinds chosen and no name.
  void ShowOnly(unsigned kinds);
  // Hides the bar and forgets what it asked for.
  void Close();

 Q_SIGNALS:
  void FilterChanged(const ResultModel::Filter& filter);
  // Closed while the focus was in it: the focus should go somewhere useful.
  void Closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Announce();

  std::array<QToolButton*, kKinds.size()> kinds_{};
  QLineEdit* name_ = nullptr;
  QToolButton* close_ = nullptr;
  bool quiet_ = false;  // several changes at once: one announcement
};

}  // namespace orvel::ui
