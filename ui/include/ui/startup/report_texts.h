#pragma once

#include "engine/run_meter.h"
#include "engine/run_plan.h"

#include <QString>

namespace orvel::ui {

// The texts of what the engine counts: the plan a sync run's question adds
// (lines), the figures beside the progress bar (two lines), and the summary
// after a run (one line, for the status bar). Japanese is the source, other
// languages come from the program's translations; amounts are written the same
// in every language.
QString PlanText(const engine::RunPlan& plan);
QString FiguresText(const engine::ProgressFigures& figures);
QString SummaryText(const engine::RunSummary& summary);

}  // namespace orvel::ui
