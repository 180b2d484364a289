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
    case engine::RunMessage::MemoryUntrusted:
      return "同期の記憶はこのユーザーだけのものではないため使いません\n%1\n%2";
    case engine::RunMessage::MassDeleteBaseAsk:
      return "前回の同期で記憶した %3 個のうち %2 個が「対照フォルダ」にありません\n%4\n"
             "同期を続けると「基本フォルダ」からも削除されます\n%1\n本当によろしいですか？";
    case engine::RunMessage::MassDeleteTargetAsk:
      return "前回の同期で記憶した %3 個のうち %2 個が「基本フォルダ」にありません\n%4\n"
             "同期を続けると「対照フォルダ」からも削除されます\n%1\n本当によろしいですか？";
  }
  return {};
}

// For a reader of no Japanese: whole sentences, the folders named by their role.
std::string_view EnglishTemplate(engine::RunMessage message) {
  switch (message) {
    case engine::RunMessage::BaseMissing:
      return "The base folder does not exist.\nChoose an existing folder as the base folder.";
    case engine::RunMessage::TargetMissingAsk:
      return "The target folder does not exist.\nDo you want to create it and continue?";
    case engine::RunMessage::TargetCannotCreate:
      return "The target folder cannot be created.";
    case engine::RunMessage::TargetNotFolder:
      return "The target folder does not exist.\nChoose an existing folder as the target folder.";
    case engine::RunMessage::SameFolders:
      return "The base folder and the target folder are the same folder.";
    case engine::RunMessage::FolderUnreadable:
      return "The folder cannot be read.\n%1\n%2";
    case engine::RunMessage::FolderBusyAsk:
      return "The folder is in use by another synchronization.\n%1\nDo you want to try again?";
    case engine::RunMessage::EmptyBaseAsk:
      return "The base folder is empty.\n%1\nIf complete sync goes on, everything in the target folder will be "
             "deleted.\n%2\nDo you really want to continue?";
    case engine::RunMessage::ConfirmSync:
      return "The folders will be synchronized.\nDo you want to continue?";
    case engine::RunMessage::ConfirmForceBase1:
      return "The selected files will be synchronized from the base folder, whatever their dates.\n"
             "Do you want to continue?";
    case engine::RunMessage::ConfirmForceBase2:
      return "The base folder's versions of the selected files will replace the target folder's.\n"
             "Are you sure?";
    case engine::RunMessage::ConfirmForceTarget1:
      return "The selected files will be synchronized from the target folder, whatever their dates.\n"
             "Do you want to continue?";
    case engine::RunMessage::ConfirmForceTarget2:
      return "The target folder's versions of the selected files will replace the base folder's.\n"
             "Are you sure?";
    case engine::RunMessage::DeleteConditionAsk:
      return "The condition\n%1\nwill be deleted.\nDo you want to continue?";
    case engine::RunMessage::MemoryReplaced:
      return "A folder of the pair has been replaced, so the last sync's state is not used.\n%1\n%2";
    case engine::RunMessage::MemoryUnavailable:
      return "The last sync's state cannot be read or written.\n%1\n%2";
    case engine::RunMessage::MemoryUntrusted:
      return "The last sync's state is not used: it is not yours alone.\n%1\n%2";
    case engine::RunMessage::MassDeleteBaseAsk:
      return "%2 of the %3 entries remembered from the last sync are gone from the target folder.\n%4\n"
             "If the sync goes on, they will be deleted from the base folder too.\n%1\nDo you really want to continue?";
    case engine::RunMessage::MassDeleteTargetAsk:
      return "%2 of the %3 entries remembered from the last sync are gone from the base folder.\n%4\n"
             "If the sync goes on, they will be deleted from the target folder too.\n%1\nDo you really want to continue?";
  }
  return {};
}

}  // namespace

bool ParseLanguage(std::string_view value, Language& language) {
  // As the desktop program reads it: "en", "EN", "en_US", "en-GB.UTF-8" are
  // all English.
  const auto first = value.find_first_not_of(" \t\n");
  value.remove_prefix(first == std::string_view::npos ? value.size() : first);
  std::string name(value.substr(0, value.find_first_of("_.@- \t\n")));
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (name == "ja") {
    language = Language::Japanese;
  } else if (name == "en") {
    language = Language::English;
  } else {
    return false;
  }
  return true;
}

std::string MessageText(Language language, engine::RunMessage message, const engine::MessageArgs& args) {
  return engine::FillArguments(
      language == Language::English ? EnglishTemplate(message) : JapaneseTemplate(message), args);
}

std::string_view StatusText(Language language, engine::RunStatus status) {
  const bool english = language == Language::English;
  switch (status) {
    case engine::RunStatus::Searching:
      return english ? "Searching for files to synchronize…" : "同期ファイル検索中...";
    case engine::RunStatus::BasePass:
      return english ? "Processing the base folder's files…" : "基本同期実行中...";
    case engine::RunStatus::TargetPass:
      return english ? "Processing the target folder's files…" : "対照同期実行中...";
    case engine::RunStatus::IndividualSync:
      return english ? "Synchronizing the selected files…" : "個別同期中...";
    case engine::RunStatus::Launching:
      return english ? "Starting the external tool…" : "起動中...";
  }
  return {};
}

}  // namespace orvel::cli
