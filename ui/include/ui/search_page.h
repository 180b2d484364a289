#pragma once

#include "ui/options_page.h"

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
  struct Fields {
    int hideSame = 0;          // the inverse of SameDisp
    int subFolder = 0;         // SubFolder
    int include = 0;           // ChkExt
    std::string includeText;   // Ext
    std::string excludeText;   // NoExt
    int exclude = 0;           // ChkNoExt
    std::uint32_t amount = 0;  // DiffTime
    int unit = -1;             // DiffSel: 秒, 分, 時間, 日; -1 none
    int emptyFolder = 0;       // EmptyFolder
    int recyclerFolder = 0;    // RecyclerFolder
  };

  static constexpr std::uint32_t kMaxAmount = 40000;

  explicit CSearchPage(QWidget* parent = nullptr);
  Fields& Values() { return fields_; }
  const Fields& Values() const { return fields_; }

 protected:
  void FillControls() override;
  std::optional<Refusal> ReadControls() override;

 private:
  Fields fields_;
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
