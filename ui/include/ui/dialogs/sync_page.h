#pragma once

#include "ui/dialogs/options_page.h"

class QCheckBox;

namespace orvel::ui {

// The page "同期" of the options sheet: the condition's complete mode, whether
// deletions go to the trash and whether normal mode remembers the last sync.
class CSyncPage : public COptionsPage {
  Q_OBJECT
 public:
  explicit CSyncPage(storage::WorkingSet& values, QWidget* parent = nullptr);

 protected:
  void FillControls() override;
  std::optional<Refusal> ReadControls() override;

 private:
  QCheckBox* complete_;
  QCheckBox* deleteTrash_;
  QCheckBox* memory_;
};

}  // namespace orvel::ui
