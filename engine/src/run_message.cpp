#include "engine/run_message.h"

namespace orvel::engine {

namespace {

std::string_view Template(RunMessage message) {
  switch (message) {
    case RunMessage::BaseMissing:
      return "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい";
    case RunMessage::TargetMissingAsk:
      return "「対照フォルダ」は存在しません\n新規に作成して作業を続けますか？";
    case RunMessage::TargetCannotCreate:
      return "対照フォルダを作成できません";
    case RunMessage::TargetNotFolder:
      return "「対照フォルダ」は存在しません\n「対照フォルダ」は存在するフォルダを\n指定して下さい";
    case RunMessage::SameFolders:
      return "「基本フォルダ」と「対照フォルダ」が同じです";
    case RunMessage::FolderUnreadable:
      return "フォルダを読み込めません\n%1\n%2";
    case RunMessage::FolderBusyAsk:
      return "フォルダは他の同期処理で使用中です\n%1\n再試行しますか？";
    case RunMessage::EmptyBaseAsk:
      return "「基本フォルダ」は空です\n%1\n完全同期を続けると「対照フォルダ」の中身がすべて削除されます\n%2\n"
             "本当によろしいですか？";
    case RunMessage::ConfirmSync:
      return "同期実行します\nよろしいですか？";
    case RunMessage::ConfirmForceBase1:
      return "強制基本同期実行します\nよろしいですか？";
    case RunMessage::ConfirmForceBase2:
      return "基本フォルダから強制的に対照フォルダへ同期実行します\n本当によろしいですか？";
    case RunMessage::ConfirmForceTarget1:
      return "強制対照同期実行します\nよろしいですか？";
    case RunMessage::ConfirmForceTarget2:
      return "対照フォルダから強制的に基本フォルダへ同期実行します\n本当によろしいですか？";
    case RunMessage::DeleteConditionAsk:
      return "%1\nを削除します\nよろしいですか？";
  }
  return {};
}

}  // namespace

std::string FillArguments(std::string_view text, const MessageArgs& args) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto k = static_cast<std::size_t>(text[i + 1] - '1');
      if (k < args.size()) out += args[k];
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string JapaneseText(RunMessage message, const MessageArgs& args) { return FillArguments(Template(message), args); }

}  // namespace orvel::engine
