#pragma once

#include "storage/working_set.h"

#include <string>
#include <vector>

namespace orvel::storage {

// The condition bar as the condition set needs it: the folder and extension
// edits, the two extension check boxes, the condition list box and the toolbar's
// option buttons.
class IConditionBar {
 public:
  virtual ~IConditionBar() = default;
  // The edits' texts, as the user left them.
  virtual std::string BaseFolderText() const = 0;
  virtual std::string TargetFolderText() const = 0;
  virtual std::string ExtText() const = 0;
  virtual std::string NoExtText() const = 0;
  // Writes the edits and the two check boxes from the working set.
  virtual void ShowWorkingSet(const WorkingSet& working) = 0;
  // Sets the checked state of the toolbar's option buttons from the working set.
  virtual void ShowToolbarChecks(const WorkingSet& working) = 0;
  // The list box: replace all lines, select one line (-1: none).
  virtual void SetConditionNames(const std::vector<std::string>& names) = 0;
  virtual void SelectConditionLine(int index) = 0;
};

}  // namespace orvel::storage
