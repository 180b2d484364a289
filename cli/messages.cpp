#include "messages.h"

namespace orvel::cli {

namespace {

std::string_view JapaneseTemplate(engine::RunMessage message) {
  switch (message) {
    case engine::RunMessage::BaseMissing:
      return "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい";
    case engine::RunMessage::TargetMissingAsk:
      return "「対照フォルダ」は存在しません\n新規に作成して作業を続けますか？";
    case engine::RunMessage::TargetCannotCreate:
      return "対照フォルダを作成できません";
    case engine::RunMessage::TargetNotFolder:
      return "「対照フォルダ」は存在しません\n「対照フォルダ」は存在するフォルダを\n指定して下さい";
    case engine::RunMessage::SameFolders:
      return "「基本フォルダ」と「対照フォルダ」が同じです";
    case engine::RunMessage::FolderUnreadable:
      return "フォルダを読み込めません\n%1\n%2";
    case engine::RunMessage::FolderBusyAsk:
      return "フォルダは他の同期処理で使用中です\n%1\n再試行しますか？";
    case engine::RunMessage::EmptyBaseAsk:
      return "「基本フォルダ」は空です\n%1\n完全同期を続けると「対照フォルダ」の中身がすべて削除されます\n%2\n"
             "本当によろしいですか？";
    case engine::RunMessage::ConfirmSync:
      return "同期実行します\nよろしいですか？";
    case engine::RunMessage::ConfirmForceBase1:
      return "強制基本同期実行します\nよろしいですか？";
    case engine::RunMessage::ConfirmForceBase2:
      return "基本フォルダから強制的に対照フォルダへ同期実行します\n本当によろしいですか？";
    case engine::RunMessage::ConfirmForceTarget1:
      return "強制対照同期実行します\nよろしいですか？";
    case engine::RunMessage::ConfirmForceTarget2:
      return "対照フォルダから強制的に基本フォルダへ同期実行します\n本当によろしいですか？";
    case engine::RunMessage::DeleteConditionAsk:
      return "%1\nを削除します\nよろしいですか？";
    case engine::RunMessage::MemoryReplaced:
      return "フォルダが入れ替わっているため前回の同期の記憶を使いません\n%1\n%2";
    case engine::RunMessage::MemoryUnavailable:
      return "同期の記憶を読み書きできません\n%1\n%2";
    case engine::RunMessage::RememberedEmptyAsk:
      return "フォルダは空です\n%1\n続けると前回の同期で記憶したファイルがもう一方のフォルダからすべて削除されます\n%2\n"
             "本当によろしいですか？";
  }
  return {};
}

}  // namespace

std::string MessageText(Language /*language*/, engine::RunMessage message, const engine::MessageArgs& args) {
  return engine::FillArguments(JapaneseTemplate(message), args);
}

std::string_view StatusText(Language /*language*/, engine::RunStatus status) {
  switch (status) {
    case engine::RunStatus::Searching:
      return "同期ファイル検索中...";
    case engine::RunStatus::BasePass:
      return "基本同期実行中...";
    case engine::RunStatus::TargetPass:
      return "対照同期実行中...";
    case engine::RunStatus::IndividualSync:
      return "個別同期中...";
    case engine::RunStatus::Launching:
      return "起動中...";
  }
  return {};
}

}  // namespace orvel::cli
