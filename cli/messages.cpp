#include "messages.h"

#include "engine/amounts.h"
#include "remote/reasons.h"

#include <cstdlib>
#include <iterator>

namespace orvel::cli {

namespace {

using C = CliText;

constexpr CliTextEntry kCliTexts[] = {
    {C::UnknownCommand, "usage.unknown_command", "不明なコマンドです: '%1'", "unknown command '%1'"},
    {C::NeedsValue, "usage.needs_value", "オプション %1 には値が必要です", "option %1 needs a value"},
    {C::UnknownLanguage, "usage.unknown_language", "--lang に使えない言語です: '%1'（en または ja）",
     "unknown language '%1' for --lang (en or ja)"},
    {C::BadTolerance, "usage.bad_tolerance",
     "許容時間 '%1' が正しくありません（0 から 40000 までの整数で、後に s、m、h、d のいずれかを付けられます）",
     "invalid tolerance '%1' (a whole number 0 to 40000, optionally followed by s, m, h or d)"},
    {C::TakesNoValue, "usage.takes_no_value", "オプション %1 は値を取りません", "option %1 takes no value"},
    {C::UnknownOption, "usage.unknown_option", "不明なオプションです: '%1'", "unknown option '%1'"},
    {C::ServeAlone, "usage.serve_alone", "--serve にはコマンド、オペランド、条件オプションを付けられません",
     "--serve takes no command, operands or condition options"},
    {C::NoCommand, "usage.no_command", "コマンドが指定されていません", "no command given"},
    {C::ShowOneFile, "usage.show_one_file", "show には条件ファイルを 1 つだけ指定してください",
     "show takes exactly one condition file"},
    {C::ShowNoOptions, "usage.show_no_options", "show にはオプションを付けられません", "show takes no options"},
    {C::MissingOperands, "usage.missing_operands",
     "オペランドがありません: 条件ファイル、または基本フォルダと対照フォルダを指定してください",
     "missing operands: a condition file, or a base and a target folder"},
    {C::TooManyOperands, "usage.too_many_operands", "オペランドが多すぎます: '%1'", "too many operands: '%1'"},
    {C::ConditionOptionWithFile, "usage.condition_option_with_file",
     "オプション %1 は BASE TARGET を指定したときだけ使えます（条件ファイルは条件ごとにオプションを持ちます）",
     "option %1 applies to BASE TARGET only; a condition file carries its own options"},
    {C::TryHelp, "usage.try_help", "詳しくは 'orvel-cli --help' を見てください。",
     "Try 'orvel-cli --help' for more information."},
    {C::UnknownLanguageEnv, "usage.unknown_language_env", "ORVEL_LANG に使えない言語です: '%1'（en または ja）",
     "unknown language '%1' in ORVEL_LANG (en or ja)"},
    {C::ConditionFileUnreadable, "file.unreadable", "条件ファイル '%1' を読み込めません: %2",
     "cannot read condition file '%1': %2"},
    {C::NotARegularFile, "file.not_regular", "通常のファイルではありません", "not a regular file"},
    {C::LargerThan, "file.larger_than", "%1 MiB より大きいファイルです", "larger than %1 MiB"},
    {C::ResultUnwritable, "output.result_unwritable", "結果のリストを書き込めません: %1",
     "cannot write the result list: %1"},
    {C::ShowUnwritable, "output.show_unwritable", "条件ファイルのテキストを書き込めません: %1",
     "cannot write the condition file text: %1"},
    {C::ServeOnTerminal, "serve.on_terminal",
     "--serve は標準入出力で Orvel のリモートプロトコルを話します。ほかのマシンの orvel-cli や orvel が、"
     "host:/path と書かれたフォルダのために ssh 経由でこのマシンで起動します。端末では動きません。",
     "--serve speaks Orvel's remote protocol on standard input and output; orvel-cli or orvel start it on this "
     "machine through ssh for a folder written host:/path. It does not run on a terminal."},
    {C::EmptyBaseRefused, "run.empty_base_refused",
     "基本フォルダが空です。完全同期を続けるには --allow-empty-base を付けてください",
     "the base folder is empty; --allow-empty-base lets complete sync go on"},
    {C::MassDeleteRefused, "run.mass_delete_refused",
     "これほど多くは削除しません。同期を続けるには --allow-mass-delete を付けてください",
     "not deleting that much; --allow-mass-delete lets the sync go on"},
    {C::AnswerYes, "answer.yes", "-> はい", "-> Yes"},
    {C::AnswerNo, "answer.no", "-> いいえ", "-> No"},
    {C::AdviceInstallOrName, "remote.advice_install_or_name",
     "%1 に orvel-cli パッケージをインストールするか、--remote-program でプログラムのパスを指定してください",
     "Install the orvel-cli package on %1, or name the program's path with --remote-program"},
};

constexpr bool InCliTextOrder() {
  for (std::size_t i = 0; i < std::size(kCliTexts); ++i)
    if (kCliTexts[i].id != static_cast<CliText>(i)) return false;
  return std::size(kCliTexts) == static_cast<std::size_t>(CliText::Count);
}
static_assert(InCliTextOrder(), "the table lists every text once, in CliText order");

bool English(Language language) { return language == Language::English; }

std::string Fill(Language language, engine::TextId id, const engine::MessageArgs& args) {
  return engine::FillArguments(TextOf(language, id), args);
}

std::string Count(std::uint64_t value) { return std::to_string(value); }

std::string Seconds(std::chrono::milliseconds elapsed) {
  return engine::DurationText(std::chrono::duration_cast<std::chrono::seconds>(elapsed));
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

std::optional<Language> LanguageInArguments(const std::vector<std::string>& args) {
  std::optional<Language> found;
  for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    std::string_view value;
    if (args[i] == "--lang" && i + 1 < args.size()) {
      value = args[++i];
    } else if (args[i].rfind("--lang=", 0) == 0) {
      value = std::string_view(args[i]).substr(7);
    } else {
      continue;
    }
    Language language = Language::Japanese;
    if (ParseLanguage(value, language)) found = language;
  }
  return found;
}

Language LanguageOfRun(std::optional<Language> option, std::string* unknown) {
  if (option) return *option;
  Language language = Language::Japanese;
  const char* name = std::getenv("ORVEL_LANG");
  if (name && *name && !ParseLanguage(name, language)) {
    if (unknown) *unknown = name;
    return Language::Japanese;
  }
  return language;
}

std::span<const CliTextEntry> CliTextCatalogue() { return kCliTexts; }

std::string CliTextOf(Language language, CliText id, const engine::MessageArgs& args) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= std::size(kCliTexts)) return {};
  const CliTextEntry& entry = kCliTexts[index];
  return engine::FillArguments(English(language) ? entry.english : entry.japanese, args);
}

std::string TextOf(Language language, engine::TextId id) {
  // Here the far program can also be named on the command line.
  if (id == engine::TextId::RemoteAdviceInstall) return CliTextOf(language, CliText::AdviceInstallOrName, {"%1"});
  return std::string(engine::Words(language, id));
}

std::string SkippedText(Language language, std::string_view what) {
  const std::optional<engine::TextId> id = engine::SkippedTextId(what);
  return id ? TextOf(language, *id) : std::string(what);
}

std::string MessageText(Language language, engine::RunMessage message, const engine::MessageArgs& args) {
  // Nothing for an id the table has no message for.
  if (message < engine::RunMessage::BaseMissing || message > engine::RunMessage::TemporaryUnproven) return {};
  if (message == engine::RunMessage::MetadataSkipped && args.size() >= 2) {
    engine::MessageArgs named = args;
    named[1] = SkippedText(language, args[1]);
    return Fill(language, engine::MessageTextId(message), named);
  }
  return Fill(language, engine::MessageTextId(message), args);
}

std::string StatusText(Language language, engine::RunStatus status) {
  return TextOf(language, engine::StatusTextId(status));
}

std::string WordedReason(Language language, const engine::Reason& reason) {
  return engine::ReasonText(reason, [language](engine::TextId id) { return TextOf(language, id); });
}

std::string WordedReason(Language language, std::error_code error) {
  return WordedReason(language, remote::ReasonOf(error));
}

std::string PlanText(Language language, const engine::RunPlan& plan) {
  using engine::TextId;
  std::string text;
  const auto line = [&](TextId id, const engine::MessageArgs& args) {
    text += Fill(language, id, args);
    text += '\n';
  };
  line(TextId::PlanHeading, {});
  line(TextId::PlanToTarget, {Count(plan.toTarget.entries), engine::BytesText(plan.toTarget.bytes)});
  line(TextId::PlanToBase, {Count(plan.toBase.entries), engine::BytesText(plan.toBase.bytes)});
  line(TextId::PlanDeleteTarget,
       {Count(plan.inTarget.Total()), Count(plan.inTarget.toTrash), Count(plan.inTarget.forGood)});
  if (plan.timesSet > 0) {
    line(TextId::PlanTimesSet, {Count(plan.timesSet)});
  }
  if (plan.inBase.Total() > 0) {
    line(TextId::PlanDeleteBase, {Count(plan.inBase.Total()), Count(plan.inBase.toTrash), Count(plan.inBase.forGood)});
  }
  line(TextId::PlanConflicts, {Count(plan.conflicts)});
  line(TextId::PlanFailures, {Count(plan.failures)});
  line(TextId::PlanConditions, {std::to_string(plan.conditions)});
  return text;
}

std::string SummaryText(Language language, const engine::RunSummary& summary) {
  using engine::TextId;
  std::string text;
  switch (summary.kind) {
    case engine::RunKind::ListCreation:
      text = TextOf(language, TextId::SummaryListCreation);
      break;
    case engine::RunKind::SyncRun:
      text = TextOf(language, TextId::SummarySyncRun);
      break;
    case engine::RunKind::RowCommand:
      text = TextOf(language, TextId::SummaryRowCommand);
      break;
  }
  if (summary.cancelled) text += TextOf(language, TextId::SummaryCancelled);
  text += ": ";
  std::vector<std::string> parts;
  if (summary.kind == engine::RunKind::ListCreation) {
    parts.push_back(Fill(language, TextId::SummaryRows, {Count(summary.rows)}));
  } else {
    parts.push_back(Fill(language, TextId::SummaryToTarget,
                         {Count(summary.toTarget.entries), engine::BytesText(summary.toTarget.bytes)}));
    parts.push_back(Fill(language, TextId::SummaryToBase,
                         {Count(summary.toBase.entries), engine::BytesText(summary.toBase.bytes)}));
    const std::uint64_t deleted = summary.inTarget.Total() + summary.inBase.Total();
    const std::uint64_t trash = summary.inTarget.toTrash + summary.inBase.toTrash;
    parts.push_back(Fill(language, TextId::SummaryDeleted, {Count(deleted), Count(trash), Count(deleted - trash)}));
    if (summary.timesSet > 0) parts.push_back(Fill(language, TextId::SummaryTimesSet, {Count(summary.timesSet)}));
  }
  if (summary.leftoversRemoved > 0)
    parts.push_back(Fill(language, TextId::SummaryLeftovers, {Count(summary.leftoversRemoved)}));
  parts.push_back(Fill(language, TextId::SummaryConflicts, {Count(summary.conflicts)}));
  parts.push_back(Fill(language, TextId::SummaryFailures, {Count(summary.failures)}));
  parts.push_back(Fill(language, TextId::SummaryTime, {Seconds(summary.elapsed)}));
  const std::string separator = TextOf(language, TextId::SummarySeparator);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += separator;
    text += parts[i];
  }
  return text;
}

std::string FiguresText(Language language, const engine::ProgressFigures& figures) {
  std::string text = Fill(language, engine::TextId::FiguresLine,
                          {Count(figures.done), Count(figures.found), Count(figures.copied.entries),
                           engine::BytesText(figures.copied.bytes),
                           engine::BytesText(static_cast<std::uint64_t>(figures.bytesPerSecond))});
  if (figures.timeLeft) {
    text += "  ";
    text += Fill(language, engine::TextId::FiguresLeft, {engine::DurationText(*figures.timeLeft)});
  }
  return text;
}

}  // namespace orvel::cli
