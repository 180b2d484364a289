#pragma once

#include <string_view>

namespace orvel::engine {

// The result marks, in the order of the legend.
enum class Mark : unsigned char {
  Same,          // "="
  BaseNewer,     // ">"
  BaseOnly,      // ">>"
  TargetNewer,   // "<"
  TargetOnly,    // "<<"
  BaseSynced,    // ">="
  TargetSynced,  // "<="
  Failed,        // "?"
  Delete,        // "X"
  Deleted,       // "X="
};

inline constexpr int kMarkCount = 10;

std::string_view MarkText(Mark mark);
std::string_view MarkLegend(Mark mark);

}  // namespace orvel::engine
