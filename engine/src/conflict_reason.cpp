#include "engine/conflict_reason.h"

#include <string>

namespace orvel::engine {

namespace {

class ConflictCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "conflict"; }
  std::string message(int value) const override {
    switch (static_cast<ConflictReason>(value)) {
      case ConflictReason::EditedBoth:
        return "edited on both sides since the last sync";
      case ConflictReason::EditedBaseDeletedTarget:
        return "edited in the base, deleted in the target";
      case ConflictReason::EditedTargetDeletedBase:
        return "edited in the target, deleted in the base";
      case ConflictReason::CreatedBoth:
        return "created on both sides with different contents";
      case ConflictReason::KindChangedBoth:
        return "a file on one side and a folder on the other, changed on both sides";
      case ConflictReason::FileAndFolder:
        return "a file on one side and a folder on the other, never synced";
    }
    return "conflict";
  }
};

}  // namespace

const std::error_category& ConflictCategory() {
  static const ConflictCategoryImpl category;
  return category;
}

std::error_code MakeConflict(ConflictReason reason) { return {static_cast<int>(reason), ConflictCategory()}; }

bool IsConflict(const std::error_code& code) { return code.category() == ConflictCategory(); }

}  // namespace orvel::engine
