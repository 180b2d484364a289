#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"

#include <cstdint>
#include <functional>

namespace orvel::engine {

// Entries copied one way, and the bytes of their files.
struct CopyFigures {
  std::uint64_t entries = 0;
  std::uint64_t bytes = 0;
  friend bool operator==(const CopyFigures&, const CopyFigures&) = default;
};

// Entries deleted on one side: files to the trash, and those gone for good
// (files without the trash, and empty folders, which never go there).
struct DeletionFigures {
  std::uint64_t toTrash = 0;
  std::uint64_t forGood = 0;
  std::uint64_t Total() const { return toTrash + forGood; }
  friend bool operator==(const DeletionFigures&, const DeletionFigures&) = default;
};

// What a sync run would do with the rows a list shows: the list is the plan.
// The run lists afresh, so this is the plan "as listed".
struct RunPlan {
  CopyFigures toTarget;       // ">" and ">>": base over target
  CopyFigures toBase;         // "<" and "<<": target over base
  DeletionFigures inTarget;   // "X"
  DeletionFigures inBase;     // "<X"
  std::uint64_t timesSet = 0;   // equal contents: the older side takes the newer time
  std::uint64_t conflicts = 0;  // "!": a sync run skips them
  std::uint64_t failures = 0;   // "?"
  int conditions = 0;           // conditions the run goes through
  std::uint64_t Bytes() const { return toTarget.bytes + toBase.bytes; }
  friend bool operator==(const RunPlan&, const RunPlan&) = default;
};

// The plan of the list's items. An item that shows its comparison's mark acts
// by the row's own mark (a pair within the tolerance shows ">" but copies
// nothing); one that execution set counts only when it failed. deleteTrash
// tells, by a condition's index, whether its deletions go to the trash.
RunPlan PlanOf(const RowStore& rows, const IResultList& list, int conditions,
               const std::function<bool(int condition)>& deleteTrash);

}  // namespace orvel::engine
