#include "ui/startup/report_texts.h"

#include "engine/amounts.h"

#include <QCoreApplication>
#include <QStringList>

namespace orvel::ui {

namespace {

QString Tr(const char* text) { return QCoreApplication::translate("Report", text); }
QString Number(std::uint64_t value) { return QString::number(value); }
QString Bytes(std::uint64_t bytes) { return QString::fromStdString(engine::BytesText(bytes)); }
QString Duration(std::chrono::seconds duration) { return QString::fromStdString(engine::DurationText(duration)); }

QString Deletions(const char* text, const engine::DeletionFigures& side) {
  return Tr(text).arg(Number(side.Total()), Number(side.toTrash), Number(side.forGood));
}

}  // namespace

QString PlanText(const engine::RunPlan& plan) {
  QStringList lines;
  lines << QCoreApplication::translate("Report", "リストの内容（実行時にリストを作り直します）:");
  lines << QCoreApplication::translate("Report", "基本→対照へコピー: %1 件 (%2)").arg(Number(plan.toTarget.entries), Bytes(plan.toTarget.bytes));
  lines << QCoreApplication::translate("Report", "対照→基本へコピー: %1 件 (%2)").arg(Number(plan.toBase.entries), Bytes(plan.toBase.bytes));
  lines << Deletions(QT_TRANSLATE_NOOP("Report", "対照フォルダから削除: %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）"), plan.inTarget);
  if (plan.timesSet > 0) lines << QCoreApplication::translate("Report", "時刻だけ揃える（内容が同じ）: %1 件").arg(Number(plan.timesSet));
  if (plan.inBase.Total() > 0) {
    lines << Deletions(QT_TRANSLATE_NOOP("Report", "基本フォルダから削除: %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）"), plan.inBase);
  }
  lines << QCoreApplication::translate("Report", "競合（同期しません）: %1 件").arg(Number(plan.conflicts));
  lines << QCoreApplication::translate("Report", "失敗: %1 件").arg(Number(plan.failures));
  lines << QCoreApplication::translate("Report", "実行する条件: %1 件").arg(plan.conditions);
  return lines.join(QLatin1Char('\n'));
}

QString FiguresText(const engine::ProgressFigures& figures) {
  QString first = QCoreApplication::translate("Report", "%1 / %2 件処理  コピー %3 件 (%4)")
                      .arg(Number(figures.done), Number(figures.found), Number(figures.copied.entries),
                           Bytes(figures.copied.bytes));
  QString second = QCoreApplication::translate("Report", "%1/秒").arg(Bytes(static_cast<std::uint64_t>(figures.bytesPerSecond)));
  second += QStringLiteral("  ");
  second += figures.timeLeft ? QCoreApplication::translate("Report", "残り %1").arg(Duration(*figures.timeLeft)) : QCoreApplication::translate("Report", "残り時間 計算中");
  second += QStringLiteral("  ");
  second += QCoreApplication::translate("Report", "経過 %1").arg(Duration(std::chrono::duration_cast<std::chrono::seconds>(figures.elapsed)));
  return first + QLatin1Char('\n') + second;
}

QString SummaryText(const engine::RunSummary& summary) {
  QString kind;
  switch (summary.kind) {
    case engine::RunKind::ListCreation:
      kind = QCoreApplication::translate("Report", "リスト作成");
      break;
    case engine::RunKind::SyncRun:
      kind = QCoreApplication::translate("Report", "同期実行");
      break;
    case engine::RunKind::RowCommand:
      kind = QCoreApplication::translate("Report", "個別同期");
      break;
  }
  if (summary.cancelled) kind += QCoreApplication::translate("Report", "（中止）");
  QStringList parts;
  if (summary.kind == engine::RunKind::ListCreation) {
    parts << QCoreApplication::translate("Report", "%1 行").arg(Number(summary.rows));
  } else {
    parts << QCoreApplication::translate("Report", "基本→対照 %1 件 (%2)").arg(Number(summary.toTarget.entries), Bytes(summary.toTarget.bytes));
    parts << QCoreApplication::translate("Report", "対照→基本 %1 件 (%2)").arg(Number(summary.toBase.entries), Bytes(summary.toBase.bytes));
    const std::uint64_t deleted = summary.inTarget.Total() + summary.inBase.Total();
    const std::uint64_t trash = summary.inTarget.toTrash + summary.inBase.toTrash;
    parts << QCoreApplication::translate("Report", "削除 %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）").arg(Number(deleted), Number(trash), Number(deleted - trash));
    if (summary.timesSet > 0) parts << QCoreApplication::translate("Report", "時刻のみ %1 件").arg(Number(summary.timesSet));
  }
  if (summary.leftoversRemoved > 0)
    parts << QCoreApplication::translate("Report", "中断された同期の一時ファイルを削除 %1 件").arg(Number(summary.leftoversRemoved));
  parts << QCoreApplication::translate("Report", "競合 %1 件").arg(Number(summary.conflicts));
  parts << QCoreApplication::translate("Report", "失敗 %1 件").arg(Number(summary.failures));
  parts << QCoreApplication::translate("Report", "時間 %1").arg(Duration(std::chrono::duration_cast<std::chrono::seconds>(summary.elapsed)));
  return kind + QStringLiteral(": ") + parts.join(QCoreApplication::translate("Report", "、"));
}

}  // namespace orvel::ui
