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

// The mark as the list shows it; the same in every language.
std::string_view MarkText(Mark mark);

}  // namespace orvel::engine
