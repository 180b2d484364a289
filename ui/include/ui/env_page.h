#pragma once

#include "ui/options_page.h"

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
  struct Fields {
    int doubleClick = -1;  // DblClk: 0 update, 1 properties, 2 external tool; -1 none
    std::string toolName;  // ExeName1
    std::string toolPath;  // ExePath1
    int confirm = 0;       // ConfDlg
  };

  explicit CEnvPage(QWidget* parent = nullptr);
  Fields& Values() { return fields_; }
  const Fields& Values() const { return fields_; }

 protected:
  void FillControls() override;
  std::optional<Refusal> ReadControls() override;

 private:
  Fields fields_;
  QButtonGroup* doubleClick_;
  QLineEdit* toolName_;
  QLineEdit* toolPath_;
  QCheckBox* confirm_;
  TextField toolNameField_;
  TextField toolPathField_;
};

}  // namespace orvel::ui
