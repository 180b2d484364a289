#include "ui/startup/report_texts.h"

#include "engine/amounts.h"
#include "ui/startup/run_texts.h"

#include <QCoreApplication>
#include <QStringList>

namespace orvel::ui {

namespace {

using engine::TextId;

QString Number(std::uint64_t value) { return QString::number(value); }
QString Bytes(std::uint64_t bytes) { return QString::fromStdString(engine::BytesText(bytes)); }
QString Duration(std::chrono::seconds duration) { return QString::fromStdString(engine::DurationText(duration)); }

QString Deletions(TextId id, const engine::DeletionFigures& side) {
  return Words(id).arg(Number(side.Total()), Number(side.toTrash), Number(side.forGood));
}

}  // namespace

QString PlanText(const engine::RunPlan& plan) {
  QStringList lines;
  lines << Words(TextId::PlanHeading);
  lines << Words(TextId::PlanToTarget).arg(Number(plan.toTarget.entries), Bytes(plan.toTarget.bytes));
  lines << Words(TextId::PlanToBase).arg(Number(plan.toBase.entries), Bytes(plan.toBase.bytes));
  lines << Deletions(TextId::PlanDeleteTarget, plan.inTarget);
  if (plan.timesSet > 0) lines << Words(TextId::PlanTimesSet).arg(Number(plan.timesSet));
  if (plan.inBase.Total() > 0) lines << Deletions(TextId::PlanDeleteBase, plan.inBase);
  lines << Words(TextId::PlanConflicts).arg(Number(plan.conflicts));
  lines << Words(TextId::PlanFailures).arg(Number(plan.failures));
  lines << Words(TextId::PlanConditions).arg(plan.conditions);
  return lines.join(QLatin1Char('\n'));
}

QString FiguresText(const engine::ProgressFigures& figures) {
  QString first = Words(TextId::FiguresDone)
                      .arg(Number(figures.done), Number(figures.found), Number(figures.copied.entries),
                           Bytes(figures.copied.bytes));
  QString second = Words(TextId::FiguresSpeed).arg(Bytes(static_cast<std::uint64_t>(figures.bytesPerSecond)));
  second += QStringLiteral("  ");
  second += figures.timeLeft ? Words(TextId::FiguresLeft).arg(Duration(*figures.timeLeft))
                             : Words(TextId::FiguresLeftUnknown);
  second += QStringLiteral("  ");
  second += Words(TextId::FiguresElapsed)
                .arg(Duration(std::chrono::duration_cast<std::chrono::seconds>(figures.elapsed)));
  return first + QLatin1Char('\n') + second;
}

QString SummaryText(const engine::RunSummary& summary) {
  QString kind;
  switch (summary.kind) {
    case engine::RunKind::ListCreation:
      kind = Words(TextId::SummaryListCreation);
      break;
    case engine::RunKind::SyncRun:
      kind = Words(TextId::SummarySyncRun);
      break;
    case engine::RunKind::RowCommand:
      kind = Words(TextId::SummaryRowCommand);
      break;
  }
  if (summary.cancelled) kind += Words(TextId::SummaryCancelled);
  QStringList parts;
  if (summary.kind == engine::RunKind::ListCreation) {
    parts << Words(TextId::SummaryRows).arg(Number(summary.rows));
  } else {
    parts << Words(TextId::SummaryToTarget).arg(Number(summary.toTarget.entries), Bytes(summary.toTarget.bytes));
    parts << Words(TextId::SummaryToBase).arg(Number(summary.toBase.entries), Bytes(summary.toBase.bytes));
    const std::uint64_t deleted = summary.inTarget.Total() + summary.inBase.Total();
    const std::uint64_t trash = summary.inTarget.toTrash + summary.inBase.toTrash;
    parts << Words(TextId::SummaryDeleted).arg(Number(deleted), Number(trash), Number(deleted - trash));
    if (summary.timesSet > 0) parts << Words(TextId::SummaryTimesSet).arg(Number(summary.timesSet));
  }
  if (summary.leftoversRemoved > 0) parts << Words(TextId::SummaryLeftovers).arg(Number(summary.leftoversRemoved));
  parts << Words(TextId::SummaryConflicts).arg(Number(summary.conflicts));
  parts << Words(TextId::SummaryFailures).arg(Number(summary.failures));
  parts << Words(TextId::SummaryTime)
               .arg(Duration(std::chrono::duration_cast<std::chrono::seconds>(summary.elapsed)));
  return kind + QStringLiteral(": ") + parts.join(Words(TextId::SummarySeparator));
}

}  // namespace orvel::ui
