#pragma once

#include "engine/run_message.h"
#include "engine/run_meter.h"
#include "engine/run_plan.h"
#include "engine/texts.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvel::cli {

// The language orvel-cli writes in: its usage, messages, questions, reasons
// and figures.
using Language = engine::Language;

// "ja" or "en", in any case and with any region or encoding after it
// ("en_US.UTF-8"), into the language; false for any other text.
bool ParseLanguage(std::string_view value, Language& language);

// The value of the last usable --lang among the arguments (before "--"), for
// words said before the command line is understood.
std::optional<Language> LanguageInArguments(const std::vector<std::string>& args);

// The language of this run: `option` (--lang), else ORVEL_LANG, else
// Japanese. `unknown` gets ORVEL_LANG's value when that is set to
// something other than a language.
Language LanguageOfRun(std::optional<Language> option, std::string* unknown = nullptr);

// The texts orvel-cli alone says: its usage errors, notices and answers.
enum class CliText : int {
  UnknownCommand,
  NeedsValue,
  UnknownLanguage,
  BadTolerance,
  TakesNoValue,
  UnknownOption,
  ServeAlone,
  NoCommand,
  ShowOneFile,
  ShowNoOptions,
  MissingOperands,
  TooManyOperands,
  ConditionOptionWithFile,
  TryHelp,
  UnknownLanguageEnv,
  ConditionFileUnreadable,
  NotARegularFile,
  LargerThan,
  ResultUnwritable,
  ShowUnwritable,
  ServeOnTerminal,
  EmptyBaseRefused,
  MassDeleteRefused,
  AnswerYes,
  AnswerNo,
  AdviceInstallOrName,
  Count
};

// A text of orvel-cli's with its arguments, said when the language is known.
struct CliMessage {
  CliText id = CliText::Count;
  engine::MessageArgs args;
};

struct CliTextEntry {
  CliText id;
  const char* key;
  const char* japanese;
  const char* english;
};
std::span<const CliTextEntry> CliTextCatalogue();

std::string CliTextOf(Language language, CliText id, const engine::MessageArgs& args = {});
// The text of the shared table as orvel-cli says it (its advice names its own options).
std::string TextOf(Language language, engine::TextId id);

// A run message with its arguments, in the language.
std::string MessageText(Language language, engine::RunMessage message, const engine::MessageArgs& args = {});
// What a MetadataSkipped notice names ("mode", "owner", …) in words.
std::string SkippedText(Language language, std::string_view what);
// The status line of the progress display.
std::string StatusText(Language language, engine::RunStatus status);
// A reason (a failed row's, a connection's) in words.
std::string WordedReason(Language language, const engine::Reason& reason);
std::string WordedReason(Language language, std::error_code error);

// What a sync run would do with the listed rows (--dry-run): lines, each
// ending in a line feed.
std::string PlanText(Language language, const engine::RunPlan& plan);
// What a run did: one line without its line feed.
std::string SummaryText(Language language, const engine::RunSummary& summary);
// The figures of the progress line: rows done and found, files and bytes
// copied, speed, time left.
std::string FiguresText(Language language, const engine::ProgressFigures& figures);

}  // namespace orvel::cli
