#include "messages.h"

#include "engine/amounts.h"

#include <vector>

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
    case engine::RunMessage::MemoryRemote:
      return "別のマシンのフォルダを含む組では同期の記憶を使いません（記憶による削除はありません）\n%1\n%2";
    case engine::RunMessage::MassDeleteBaseAsk:
      return "前回の同期で記憶した %3 個のうち %2 個が「対照フォルダ」にありません\n%4\n"
             "同期を続けると「基本フォルダ」からも削除されます\n%1\n本当によろしいですか？";
    case engine::RunMessage::MassDeleteTargetAsk:
      return "前回の同期で記憶した %3 個のうち %2 個が「基本フォルダ」にありません\n%4\n"
             "同期を続けると「対照フォルダ」からも削除されます\n%1\n本当によろしいですか？";
    case engine::RunMessage::FolderUnlockable:
      return "このファイルシステムではフォルダをロックできません。同期中に他のプログラムが変更する可能性があります\n%1\n%2";
    case engine::RunMessage::LockLocalOnly:
      return "フォルダのロックはこのコンピュータからしか見えません (%2)\n%1";
    case engine::RunMessage::TimeGranularity:
      return "このファイルシステムは時刻を %2 単位で記録するため、%2 単位で比較します (%3)\n%1";
    case engine::RunMessage::MetadataSkipped:
      return "このファイルシステムが保持できないため省きました: %2 (%3)\n%1";
    case engine::RunMessage::FarSideSilent:
      return "タイムアウト: %1 から %2 秒間応答がないため接続を切りました";
    case engine::RunMessage::NotDurable:
      return "変更をディスクに確実に書き込めなかったため、今回の同期を記憶しません\n%1\n%2";
    case engine::RunMessage::TemporaryUnproven:
      return "このファイルシステムは印を保持できないため、一時ファイルに似た名前のファイル %2 個を通常のファイルとして扱いました (%3)\n%1";
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
    case engine::RunMessage::MemoryRemote:
      return "The last sync's state is not used for a pair with a folder on another machine (nothing is deleted "
             "because it was remembered).\n%1\n%2";
    case engine::RunMessage::MassDeleteBaseAsk:
      return "%2 of the %3 entries remembered from the last sync are gone from the target folder.\n%4\n"
             "If the sync goes on, they will be deleted from the base folder too.\n%1\nDo you really want to continue?";
    case engine::RunMessage::MassDeleteTargetAsk:
      return "%2 of the %3 entries remembered from the last sync are gone from the base folder.\n%4\n"
             "If the sync goes on, they will be deleted from the target folder too.\n%1\nDo you really want to continue?";
    case engine::RunMessage::FolderUnlockable:
      return "The folder cannot be locked on this file system; another program may change it during the run.\n%1\n%2";
    case engine::RunMessage::LockLocalOnly:
      return "The lock on the folder is only seen by this machine (%2).\n%1";
    case engine::RunMessage::TimeGranularity:
      return "The file system keeps times in steps of %2, so times are compared in steps of %2 (%3).\n%1";
    case engine::RunMessage::MetadataSkipped:
      return "Left out what the file system cannot hold: %2 (%3).\n%1";
    case engine::RunMessage::FarSideSilent:
      return "Timeout: no answer from %1 for %2 s; the connection was ended.";
    case engine::RunMessage::NotDurable:
      return "The changes could not be made safe on the disk, so this sync is not remembered.\n%1\n%2";
    case engine::RunMessage::TemporaryUnproven:
      return "The file system cannot hold marks, so %2 files named like the program's temporary files were kept and treated as ordinary files (%3).\n%1";
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

std::string_view SkippedText(Language language, std::string_view what) {
  const bool en = language == Language::English;
  if (what == "plain-rename") return en ? "replacing without a check at the same moment (plain rename after the last check)" : "置き換え直前の確認と置き換えの同時実行（最後の確認の後に通常の名前変更）";
  if (what == "mode") return en ? "permission bits" : "アクセス権";
  if (what == "owner") return en ? "owners" : "所有者";
  if (what == "times") return en ? "last-write times" : "更新日時";
  if (what == "attributes") return en ? "extended attributes and ACLs" : "拡張属性と ACL";
  if (what == "hard-links") return en ? "hard links (copied as separate files)" : "ハードリンク（別々のファイルとしてコピー）";
  if (what == "link-times") return en ? "the times of symbolic links (links are compared by their text)" : "シンボリックリンクの日時（リンクは内容で比較）";
  return what;
}

std::string MessageText(Language language, engine::RunMessage message, const engine::MessageArgs& args) {
  if (message == engine::RunMessage::MetadataSkipped && args.size() >= 2) {
    engine::MessageArgs named = args;
    named[1] = std::string(SkippedText(language, args[1]));
    return engine::FillArguments(language == Language::English ? EnglishTemplate(message) : JapaneseTemplate(message),
                                 named);
  }
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
    case engine::RunStatus::Connecting:
      return english ? "Connecting…" : "接続中...";
  }
  return {};
}

namespace {

std::string Count(std::uint64_t value) { return std::to_string(value); }

std::string Seconds(std::chrono::milliseconds elapsed) {
  return engine::DurationText(std::chrono::duration_cast<std::chrono::seconds>(elapsed));
}

std::string Fill(Language language, std::string_view japanese, std::string_view english,
                 const engine::MessageArgs& args) {
  return engine::FillArguments(language == Language::English ? english : japanese, args);
}

}  // namespace

std::string PlanText(Language language, const engine::RunPlan& plan) {
  std::string text;
  const auto line = [&](std::string_view japanese, std::string_view english, const engine::MessageArgs& args) {
    text += Fill(language, japanese, english, args);
    text += '\n';
  };
  line("リストの内容（実行時にリストを作り直します）:", "As listed (a sync run makes the list afresh):", {});
  line("基本→対照へコピー: %1 件 (%2)", "Copy base to target: %1 (%2)",
       {Count(plan.toTarget.entries), engine::BytesText(plan.toTarget.bytes)});
  line("対照→基本へコピー: %1 件 (%2)", "Copy target to base: %1 (%2)",
       {Count(plan.toBase.entries), engine::BytesText(plan.toBase.bytes)});
  line("対照フォルダから削除: %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）",
       "Delete in the target folder: %1 (%2 to the trash, %3 for good)",
       {Count(plan.inTarget.Total()), Count(plan.inTarget.toTrash), Count(plan.inTarget.forGood)});
  if (plan.timesSet > 0) {
    line("時刻だけ揃える（内容が同じ）: %1 件", "Set the time only (same contents): %1", {Count(plan.timesSet)});
  }
  if (plan.inBase.Total() > 0) {
    line("基本フォルダから削除: %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）",
         "Delete in the base folder: %1 (%2 to the trash, %3 for good)",
         {Count(plan.inBase.Total()), Count(plan.inBase.toTrash), Count(plan.inBase.forGood)});
  }
  line("競合（同期しません）: %1 件", "Conflicts (not synchronized): %1", {Count(plan.conflicts)});
  line("失敗: %1 件", "Failures: %1", {Count(plan.failures)});
  line("実行する条件: %1 件", "Conditions to run: %1", {std::to_string(plan.conditions)});
  return text;
}

std::string SummaryText(Language language, const engine::RunSummary& summary) {
  const bool english = language == Language::English;
  std::string text;
  switch (summary.kind) {
    case engine::RunKind::ListCreation:
      text = english ? "List creation" : "リスト作成";
      break;
    case engine::RunKind::SyncRun:
      text = english ? "Sync run" : "同期実行";
      break;
    case engine::RunKind::RowCommand:
      text = english ? "Selected rows" : "個別同期";
      break;
  }
  if (summary.cancelled) text += english ? " (cancelled)" : "（中止）";
  text += english ? ": " : ": ";
  const std::string_view separator = english ? ", " : "、";
  std::vector<std::string> parts;
  if (summary.kind == engine::RunKind::ListCreation) {
    parts.push_back(Fill(language, "%1 行", "%1 rows", {Count(summary.rows)}));
  } else {
    parts.push_back(Fill(language, "基本→対照 %1 件 (%2)", "base to target %1 (%2)",
                         {Count(summary.toTarget.entries), engine::BytesText(summary.toTarget.bytes)}));
    parts.push_back(Fill(language, "対照→基本 %1 件 (%2)", "target to base %1 (%2)",
                         {Count(summary.toBase.entries), engine::BytesText(summary.toBase.bytes)}));
    const std::uint64_t deleted = summary.inTarget.Total() + summary.inBase.Total();
    const std::uint64_t trash = summary.inTarget.toTrash + summary.inBase.toTrash;
    parts.push_back(Fill(language, "削除 %1 件（ゴミ箱へ %2 件、完全に削除 %3 件）",
                         "deleted %1 (%2 to the trash, %3 for good)",
                         {Count(deleted), Count(trash), Count(deleted - trash)}));
    if (summary.timesSet > 0)
      parts.push_back(Fill(language, "時刻のみ %1 件", "time only %1", {Count(summary.timesSet)}));
  }
  if (summary.leftoversRemoved > 0)
    parts.push_back(Fill(language, "中断された同期の一時ファイルを削除 %1 件", "leftover temporary files removed %1",
                         {Count(summary.leftoversRemoved)}));
  parts.push_back(Fill(language, "競合 %1 件", "conflicts %1", {Count(summary.conflicts)}));
  parts.push_back(Fill(language, "失敗 %1 件", "failures %1", {Count(summary.failures)}));
  parts.push_back(Fill(language, "時間 %1", "time %1", {Seconds(summary.elapsed)}));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += separator;
    text += parts[i];
  }
  return text;
}

std::string FiguresText(Language language, const engine::ProgressFigures& figures) {
  std::string text = Fill(language, "%1/%2 件  コピー %3 件 (%4)  %5/秒", "%1/%2 done  copied %3 (%4)  %5/s",
                          {Count(figures.done), Count(figures.found), Count(figures.copied.entries),
                           engine::BytesText(figures.copied.bytes),
                           engine::BytesText(static_cast<std::uint64_t>(figures.bytesPerSecond))});
  if (figures.timeLeft) {
    text += "  ";
    text += Fill(language, "残り %1", "%1 left", {engine::DurationText(*figures.timeLeft)});
  }
  return text;
}

}  // namespace orvel::cli
