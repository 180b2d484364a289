#pragma once

#include "ui/dialogs/options_page.h"

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace orvel::ui {

// The page "検索" of the options sheet: what a list creation looks at and
// which time differences it ignores.
class CSearchPage : public COptionsPage {
  Q_OBJECT
 public:
  static constexpr std::uint32_t kMaxAmount = 40000;

  explicit CSearchPage(storage::WorkingSet& values, QWidget* parent = nullptr);

 protected:
  void FillControls() override;
  std::optional<Refusal> ReadControls() override;

 private:
  QCheckBox* subFolder_;
  QCheckBox* hideSame_;
  QCheckBox* include_;
  QLineEdit* includeText_;
  QCheckBox* exclude_;
  QLineEdit* excludeText_;
  QLineEdit* amount_;
  QComboBox* unit_;
  QCheckBox* emptyFolder_;
  QCheckBox* recyclerFolder_;
  TextField includeField_;
  TextField excludeField_;
};

}  // namespace orvel::ui
