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
  BaseDelete,    // "<X": deleted in the target since the last sync, so the base's entry goes too
  BaseDeleted,   // "<X="
  Conflict,      // "!": both sides changed since the last sync (or one changed, the other deleted)
};

inline constexpr int kMarkCount = 13;

// The mark as the list shows it; the same in every language.
std::string_view MarkText(Mark mark);

}  // namespace orvel::engine
