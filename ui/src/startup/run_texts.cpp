#include "ui/startup/run_texts.h"

#include "engine/conflict_reason.h"
#include "platform/error.h"

#include <QCoreApplication>
#include <QFile>

namespace orvel::ui {

namespace {

QString Template(engine::RunMessage message) {
  switch (message) {
    case engine::RunMessage::BaseMissing:
      return QCoreApplication::translate("RunMessage", "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい");
    case engine::RunMessage::TargetMissingAsk:
      return QCoreApplication::translate("RunMessage", "「対照フォルダ」は存在しません\n新規に作成して作業を続けますか？");
    case engine::RunMessage::TargetCannotCreate:
      return QCoreApplication::translate("RunMessage", "対照フォルダを作成できません");
    case engine::RunMessage::TargetNotFolder:
      return QCoreApplication::translate("RunMessage", "「対照フォルダ」は存在しません\n「対照フォルダ」は存在するフォルダを\n指定して下さい");
    case engine::RunMessage::SameFolders:
      return QCoreApplication::translate("RunMessage", "「基本フォルダ」と「対照フォルダ」が同じです");
    case engine::RunMessage::FolderUnreadable:
      return QCoreApplication::translate("RunMessage", "フォルダを読み込めません\n%1\n%2");
    case engine::RunMessage::FolderBusyAsk:
      return QCoreApplication::translate("RunMessage", "フォルダは他の同期処理で使用中です\n%1\n再試行しますか？");
    case engine::RunMessage::EmptyBaseAsk:
      return QCoreApplication::translate("RunMessage", "「基本フォルダ」は空です\n%1\n完全同期を続けると「対照フォルダ」の中身がすべて削除されます\n%2\n本当によろしいですか？");
    case engine::RunMessage::ConfirmSync:
      return QCoreApplication::translate("RunMessage", "同期実行します\nよろしいですか？");
    case engine::RunMessage::ConfirmForceBase1:
      return QCoreApplication::translate("RunMessage", "強制基本同期実行します\nよろしいですか？");
    case engine::RunMessage::ConfirmForceBase2:
      return QCoreApplication::translate("RunMessage", "基本フォルダから強制的に対照フォルダへ同期実行します\n本当によろしいですか？");
    case engine::RunMessage::ConfirmForceTarget1:
      return QCoreApplication::translate("RunMessage", "強制対照同期実行します\nよろしいですか？");
    case engine::RunMessage::ConfirmForceTarget2:
      return QCoreApplication::translate("RunMessage", "対照フォルダから強制的に基本フォルダへ同期実行します\n本当によろしいですか？");
    case engine::RunMessage::DeleteConditionAsk:
      return QCoreApplication::translate("RunMessage", "%1\nを削除します\nよろしいですか？");
    case engine::RunMessage::MemoryReplaced:
      return QCoreApplication::translate("RunMessage", "フォルダが入れ替わっているため前回の同期の記憶を使いません\n%1\n%2");
    case engine::RunMessage::MemoryUnavailable:
      return QCoreApplication::translate("RunMessage", "同期の記憶を読み書きできません\n%1\n%2");
    case engine::RunMessage::MemoryUntrusted:
      return QCoreApplication::translate("RunMessage", "同期の記憶はこのユーザーだけのものではないため使いません\n%1\n%2");
    case engine::RunMessage::MemoryRemote:
      return QCoreApplication::translate("RunMessage",
                                         "別のマシンのフォルダを含む組では同期の記憶を使いません（記憶による削除はありません）\n%1\n%2");
    case engine::RunMessage::MassDeleteBaseAsk:
      return QCoreApplication::translate("RunMessage", "前回の同期で記憶した %3 個のうち %2 個が「対照フォルダ」にありません\n%4\n同期を続けると「基本フォルダ」からも削除されます\n%1\n本当によろしいですか？");
    case engine::RunMessage::MassDeleteTargetAsk:
      return QCoreApplication::translate("RunMessage", "前回の同期で記憶した %3 個のうち %2 個が「基本フォルダ」にありません\n%4\n同期を続けると「対照フォルダ」からも削除されます\n%1\n本当によろしいですか？");
    case engine::RunMessage::FolderUnlockable:
      return QCoreApplication::translate("RunMessage", "このファイルシステムではフォルダをロックできません。同期中に他のプログラムが変更する可能性があります\n%1\n%2");
    case engine::RunMessage::LockLocalOnly:
      return QCoreApplication::translate("RunMessage", "フォルダのロックはこのコンピュータからしか見えません (%2)\n%1");
    case engine::RunMessage::TimeGranularity:
      return QCoreApplication::translate("RunMessage", "このファイルシステムは時刻を %2 単位で記録するため、%2 単位で比較します (%3)\n%1");
    case engine::RunMessage::MetadataSkipped:
      return QCoreApplication::translate("RunMessage", "このファイルシステムが保持できないため省きました: %2 (%3)\n%1");
    case engine::RunMessage::FarSideSilent:
      return QCoreApplication::translate("RunMessage", "タイムアウト: %1 から %2 秒間応答がないため接続を切りました");
    case engine::RunMessage::NotDurable:
      return QCoreApplication::translate("RunMessage", "変更をディスクに確実に書き込めなかったため、今回の同期を記憶しません\n%1\n%2");
    case engine::RunMessage::TemporaryUnproven:
      return QCoreApplication::translate("RunMessage", "このファイルシステムは印を保持できないため、一時ファイルに似た名前のファイル %2 個を通常のファイルとして扱いました (%3)\n%1");
  }
  return {};
}

}  // namespace

// What a MetadataSkipped notice names, in words.
static QString SkippedText(const std::string& what) {
  if (what == "plain-rename")
    return QCoreApplication::translate("Skipped", "置き換え直前の確認と置き換えの同時実行（最後の確認の後に通常の名前変更）");
  if (what == "mode") return QCoreApplication::translate("Skipped", "アクセス権");
  if (what == "owner") return QCoreApplication::translate("Skipped", "所有者");
  if (what == "times") return QCoreApplication::translate("Skipped", "更新日時");
  if (what == "attributes") return QCoreApplication::translate("Skipped", "拡張属性と ACL");
  if (what == "hard-links") return QCoreApplication::translate("Skipped", "ハードリンク（別々のファイルとしてコピー）");
  if (what == "link-times") return QCoreApplication::translate("Skipped", "シンボリックリンクの日時（リンクは内容で比較）");
  return QString::fromStdString(what);
}

QString MessageText(engine::RunMessage message, const engine::MessageArgs& args) {
  // All arguments at once: a path holding "%2" must not be filled in again.
  const QString text = Template(message);
  const auto arg = [&](std::size_t i) {
    if (message == engine::RunMessage::MetadataSkipped && i == 1) return SkippedText(args[i]);
    return QString::fromStdString(args[i]);
  };
  switch (args.size()) {
    case 0:
      return text;
    case 1:
      return text.arg(arg(0));
    case 2:
      return text.arg(arg(0), arg(1));
    case 3:
      return text.arg(arg(0), arg(1), arg(2));
    default:
      return text.arg(arg(0), arg(1), arg(2), arg(3));
  }
}

QString StatusText(engine::RunStatus status) {
  switch (status) {
    case engine::RunStatus::Searching:
      return QCoreApplication::translate("RunStatus", "同期ファイル検索中...");
    case engine::RunStatus::BasePass:
      return QCoreApplication::translate("RunStatus", "基本同期実行中...");
    case engine::RunStatus::TargetPass:
      return QCoreApplication::translate("RunStatus", "対照同期実行中...");
    case engine::RunStatus::IndividualSync:
      return QCoreApplication::translate("RunStatus", "個別同期中...");
    case engine::RunStatus::Launching:
      return QCoreApplication::translate("RunStatus", "起動中...");
    case engine::RunStatus::Connecting:
      return QCoreApplication::translate("RunStatus", "接続中...");
  }
  return {};
}

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

QString ReasonText(const std::error_code& error) {
  if (engine::IsConflict(error)) {
    switch (static_cast<engine::ConflictReason>(error.value())) {
      case engine::ConflictReason::EditedBoth:
        return QCoreApplication::translate("Reason", "前回の同期の後に両方で変更されています");
      case engine::ConflictReason::EditedBaseDeletedTarget:
        return QCoreApplication::translate("Reason", "基本フォルダで変更され、対照フォルダで削除されています");
      case engine::ConflictReason::EditedTargetDeletedBase:
        return QCoreApplication::translate("Reason", "対照フォルダで変更され、基本フォルダで削除されています");
      case engine::ConflictReason::CreatedBoth:
        return QCoreApplication::translate("Reason", "両方で別々に作成され、内容が異なります");
      case engine::ConflictReason::KindChangedBoth:
        return QCoreApplication::translate("Reason", "一方ではファイル、他方ではフォルダで、両方で変更されています");
      case engine::ConflictReason::FileAndFolder:
        return QCoreApplication::translate("Reason", "一方ではファイル、他方ではフォルダで、同期されたことがありません");
    }
  }
  if (error.category() == platform::FaultCategory()) {
    switch (static_cast<platform::Fault>(error.value())) {
      case platform::Fault::ChangedSinceList:
        return QCoreApplication::translate("Reason", "リスト作成の後に変更されています");
      case platform::Fault::ReadOnly:
        return QCoreApplication::translate("Reason", "読み取り専用です（書き込みの許可がありません）");
      case platform::Fault::LinkInPath:
        return QCoreApplication::translate("Reason", "フォルダのあるべき場所にシンボリックリンクがあります");
      case platform::Fault::SpecialFile:
        return QCoreApplication::translate("Reason", "通常のファイル、リンク、フォルダのいずれでもありません");
      case platform::Fault::FolderReplaced:
        return QCoreApplication::translate("Reason", "リスト作成の後にフォルダが置き換えられています");
      case platform::Fault::OtherRoot:
        return QCoreApplication::translate("Reason", "ここには組のもう一方のフォルダがあります");
      case platform::Fault::Busy:
        return QCoreApplication::translate("Reason", "このフォルダは他の同期処理で使用中です");
      case platform::Fault::NulInPath:
        return QCoreApplication::translate("Reason", "パスに NUL 文字が含まれています");
    }
  }
  // The system's own reasons come as the system words them.
  return QString::fromLocal8Bit(error.message());
}

}  // namespace orvel::ui
