#pragma once

#include "storage/condition_bar.h"

#include <string>
#include <vector>

namespace orvel::test {

// A condition bar whose edits a test types into and which records every call
// that changes what it shows.
class RecordingBar : public storage::IConditionBar {
 public:
  std::string base, target, ext, noExt;  // the edits' texts
  std::vector<std::string> names;        // the list box's lines
  int selectedLine = -1;
  storage::WorkingSet shown;    // last working set written into the bar
  storage::WorkingSet toolbar;  // last working set shown on the toolbar
  std::vector<std::string> calls;

  std::string BaseFolderText() const override { return base; }
  std::string TargetFolderText() const override { return target; }
  std::string ExtText() const override { return ext; }
  std::string NoExtText() const override { return noExt; }
  void ShowWorkingSet(const storage::WorkingSet& working) override {
    calls.push_back("show " + working.AFolder);
    shown = working;
    base = working.AFolder;
    target = working.BFolder;
    ext = working.Ext;
    noExt = working.NoExt;
  }
  void ShowToolbarChecks(const storage::WorkingSet& working) override {
    calls.push_back("toolbar " + working.AFolder);
    toolbar = working;
  }
  void SetConditionNames(const std::vector<std::string>& lines) override {
    calls.push_back("names");
    names = lines;
    selectedLine = -1;
  }
  void SelectConditionLine(int index) override {
    calls.push_back("select " + std::to_string(index));
    selectedLine = index;
  }
};

}  // namespace orvel::test
