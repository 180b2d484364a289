#pragma once

#include "ui/dialogs/options_page.h"

#include <string>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace orvel::ui {

// The page "環境" of the options sheet: the global options, which belong to no
// condition (double-click action, external tool, confirmation before a sync).
class CEnvPage : public COptionsPage {
  Q_OBJECT
 public:
  explicit CEnvPage(storage::WorkingSet& values, QWidget* parent = nullptr);

 protected:
  void FillControls() override;
  std::optional<Refusal> ReadControls() override;

 private:
  QButtonGroup* doubleClick_;
  QLineEdit* toolName_;
  QLineEdit* toolPath_;
  QCheckBox* confirm_;
  TextField toolNameField_;
  TextField toolPathField_;
};

}  // namespace orvel::ui
