#pragma once

#include "ui/options_page.h"

class QCheckBox;

namespace orvel::ui {

// The page "同期" of the options sheet: the condition's complete mode and
// whether deletions go to the trash.
class CSyncPage : public COptionsPage {
  Q_OBJECT
 public:
  struct Fields {
    int complete = 0;  // Complete
    int recycle = 0;   // DeleteTrash
  };

  explicit CSyncPage(QWidget* parent = nullptr);
  Fields& Values() { return fields_; }
  const Fields& Values() const { return fields_; }

 protected:
  void FillControls() override;
  std::optional<Refusal> ReadControls() override;

 private:
  Fields fields_;
  QCheckBox* complete_;
  QCheckBox* recycle_;
};

}  // namespace orvel::ui
