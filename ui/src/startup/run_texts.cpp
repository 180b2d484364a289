#include "ui/startup/run_texts.h"

#include "remote/reasons.h"
#include "ui/startup/catalogue_translator.h"

#include <QCoreApplication>
#include <QFile>

#include <optional>

namespace orvel::ui {

QString Words(engine::TextId id) {
  const engine::TextEntry& entry = engine::EntryOf(id);
  return QCoreApplication::translate(CatalogueTranslator::kContext, entry.japanese, entry.key);
}

namespace {

QString Fill(engine::TextId id, const engine::MessageArgs& args) {
  // All arguments at once: a path holding "%2" must not be filled in again.
  return QString::fromStdString(engine::FillArguments(Words(id).toStdString(), args));
}

}  // namespace

QString MessageText(engine::RunMessage message, const engine::MessageArgs& args) {
  if (message == engine::RunMessage::MetadataSkipped && args.size() >= 2) {
    engine::MessageArgs named = args;
    if (const std::optional<engine::TextId> what = engine::SkippedTextId(args[1])) named[1] = Words(*what).toStdString();
    return Fill(engine::MessageTextId(message), named);
  }
  return Fill(engine::MessageTextId(message), args);
}

QString StatusText(engine::RunStatus status) { return Words(engine::StatusTextId(status)); }

QString MarkMeaning(engine::Mark mark) {
  switch (mark) {
    case engine::Mark::Same:
      return QCoreApplication::translate("Mark", "同じ");
    case engine::Mark::BaseNewer:
      return QCoreApplication::translate("Mark", "基本フォルダが新しい");
    case engine::Mark::BaseOnly:
      return QCoreApplication::translate("Mark", "基本フォルダにしかファイルが存在しない");
    case engine::Mark::TargetNewer:
      return QCoreApplication::translate("Mark", "対照フォルダが新しい");
    case engine::Mark::TargetOnly:
      return QCoreApplication::translate("Mark", "対照フォルダにしかファイルが存在しない");
    case engine::Mark::BaseSynced:
      return QCoreApplication::translate("Mark", "基本が新しく同期済み");
    case engine::Mark::TargetSynced:
      return QCoreApplication::translate("Mark", "対照が新しく同期済み");
    case engine::Mark::Failed:
      return QCoreApplication::translate("Mark", "同期失敗");
    case engine::Mark::Delete:
      return QCoreApplication::translate("Mark", "完全同期 削除予定（対照フォルダのファイル）");
    case engine::Mark::Deleted:
      return QCoreApplication::translate("Mark", "完全同期 削除済み（対照フォルダのファイル）");
    case engine::Mark::BaseDelete:
      return QCoreApplication::translate("Mark", "前回の同期の後に対照フォルダで削除 削除予定（基本フォルダのファイル）");
    case engine::Mark::BaseDeleted:
      return QCoreApplication::translate("Mark", "前回の同期の後に対照フォルダで削除 削除済み（基本フォルダのファイル）");
    case engine::Mark::Conflict:
      return QCoreApplication::translate("Mark", "競合 前回の同期の後に両方で変更（一方で変更・他方で削除）");
  }
  return {};
}

QString ConflictText(const engine::ConflictQuestion& question) {
  const auto path = [](const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); };
  QString text = Words(engine::TextId::ConflictAsk)
                     .arg(ReasonText(question.reason), path(question.basePath), path(question.targetPath));
  if (!question.baseExists || !question.targetExists) {
    text += QLatin1Char('\n') + Words(engine::TextId::ConflictDeletedSide);
  }
  return text;
}

QString ReasonText(const engine::Reason& reason) {
  return QString::fromStdString(
      engine::ReasonText(reason, [](engine::TextId id) { return Words(id).toStdString(); }));
}

QString ReasonText(const std::error_code& error) { return ReasonText(remote::ReasonOf(error)); }

}  // namespace orvel::ui
