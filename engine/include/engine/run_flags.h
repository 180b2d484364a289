#pragma once

#include <cstdint>

namespace orvel::engine {

// The view's flags that a run, the scan and the row commands share.
struct RunFlags {
  bool busy = false;        // a run or a row loop is in progress; cleared by a cancelled scan
  bool syncMode = false;    // rows are executed as they are added
  unsigned found = 0;       // the found counter of the status bar
  unsigned unreadable = 0;  // entries and folders of the last run that could not be read
  // Entries the scans of the run listed, and how many of them its passes have
  // judged so far: its progress in entries rather than in phases.
  std::uint64_t listed = 0;
  std::uint64_t judged = 0;
  unsigned memoryProblems = 0;
  std::uint64_t leftoversRemoved = 0;  // temporaries of killed runs the last run's scans removed  // times the last run could not use or write the remembered state
};

}  // namespace orvel::engine
