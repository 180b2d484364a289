#include "engine/run_plan.h"

namespace orvel::engine {

RunPlan PlanOf(const RowStore& rows, const IResultList& list, int conditions,
               const std::function<bool(int condition)>& deleteTrash) {
  RunPlan plan;
  plan.conditions = conditions;
  // Conditions come in runs of rows: the trash setting is asked once per run.
  int trashCondition = -2;
  bool trash = false;
  const int count = list.ItemCount();
  for (int item = 0; item < count; ++item) {
    const int index = list.ItemData(item);
    const ResultRow row = rows.Row(index);
    const Mark shown = list.ItemMark(item);
    // Executed already (or judged "?"): only a failure is left to report.
    const Mark act = shown == row.result ? row.mark : shown;
    const bool timesOnly = row.timesOnly && (act == Mark::BaseNewer || act == Mark::TargetNewer);
    switch (timesOnly ? Mark::Same : act) {
      case Mark::Same:
        if (timesOnly) ++plan.timesSet;
        break;
      case Mark::BaseNewer:
      case Mark::BaseOnly:
        ++plan.toTarget.entries;
        plan.toTarget.bytes += row.baseSize;
        break;
      case Mark::TargetNewer:
      case Mark::TargetOnly:
        ++plan.toBase.entries;
        plan.toBase.bytes += row.targetSize;
        break;
      case Mark::Delete:
      case Mark::BaseDelete: {
        const int condition = rows.ConditionOf(index);
        if (condition != trashCondition) {
          trashCondition = condition;
          trash = condition >= 0 && deleteTrash && deleteTrash(condition);
        }
        DeletionFigures& side = act == Mark::Delete ? plan.inTarget : plan.inBase;
        ++(trash && !row.isFolder ? side.toTrash : side.forGood);
        break;
      }
      case Mark::Conflict:
        ++plan.conflicts;
        break;
      case Mark::Failed:
        ++plan.failures;
        break;
      default:
        break;
    }
  }
  return plan;
}

}  // namespace orvel::engine
