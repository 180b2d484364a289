// The language of a run's messages: Japanese unless --lang or ORVEL_LANG asks
// for English.

#include "cli_process.h"
#include "messages.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000000;

// The placeholders %1 … %9 a template uses.
std::set<char> Placeholders(const std::string& text) {
  std::set<char> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text[i + 1]);
  }
  return found;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Raw templates: arguments named by their placeholders.
const engine::MessageArgs kRaw = {"%1", "%2", "%3"};

// Every id the Japanese texts know, up to the first without one: a message
// added to the engine and rendered in Japanese only is caught here.
TEST(CliMessages, EveryMessageHasItsOwnEnglishText) {
  int count = 0;
  for (int id = 0;; ++id) {
    const auto message = static_cast<engine::RunMessage>(id);
    const std::string japanese = cli::MessageText(cli::Language::Japanese, message, kRaw);
    if (japanese.empty()) break;
    ++count;
    SCOPED_TRACE(id);
    const std::string english = cli::MessageText(cli::Language::English, message, kRaw);
    EXPECT_FALSE(english.empty());
    EXPECT_NE(english, japanese);
    EXPECT_TRUE(std::all_of(english.begin(), english.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        << english;
    // The same folders and reasons are shown, and a question stays a question.
    EXPECT_EQ(Placeholders(english), Placeholders(japanese)) << english;
    EXPECT_EQ(EndsWith(english, "?"), EndsWith(japanese, "？")) << english;
    EXPECT_NE(english.back(), '\n');
  }
  EXPECT_GT(count, static_cast<int>(engine::RunMessage::DeleteConditionAsk));
}

TEST(CliMessages, EveryStatusHasItsOwnEnglishText) {
  for (const auto status : {engine::RunStatus::Searching, engine::RunStatus::BasePass, engine::RunStatus::TargetPass,
                            engine::RunStatus::IndividualSync, engine::RunStatus::Launching,
                            engine::RunStatus::Connecting}) {
    const std::string english(cli::StatusText(cli::Language::English, status));
    const std::string japanese(cli::StatusText(cli::Language::Japanese, status));
    EXPECT_FALSE(japanese.empty());
    EXPECT_FALSE(english.empty());
    EXPECT_NE(english, japanese);
  }
}

const std::string kBaseMissingJa =
    "「基本フォルダ」は存在しません\n「基本フォルダ」は存在するフォルダを\n指定して下さい\n";
const std::string kBaseMissingEn = "The base folder does not exist.\nChoose an existing folder as the base folder.\n";

TEST(CliLanguage, TheOptionOutranksTheEnvironmentAndJapaneseIsTheDefault) {
  TempDir dir;
  MakeFolder(dir / "target", Time(kT));
  const std::vector<std::string> run = {"list", dir / "missing", dir / "target"};
  const struct {
    std::vector<std::string> env;
    std::vector<std::string> options;
    std::string err;
  } cases[] = {
      {{}, {}, kBaseMissingJa},
      {{}, {"--lang", "en"}, kBaseMissingEn},
      {{}, {"--lang=en"}, kBaseMissingEn},
      {{"ORVEL_LANG=en"}, {}, kBaseMissingEn},
      {{"ORVEL_LANG=ja"}, {}, kBaseMissingJa},
      // Read as the desktop program reads it.
      {{"ORVEL_LANG=en_US.UTF-8"}, {}, kBaseMissingEn},
      {{}, {"--lang=EN"}, kBaseMissingEn},
      {{"ORVEL_LANG=en"}, {"--lang", "ja_JP"}, kBaseMissingJa},
      {{"ORVEL_LANG="}, {}, kBaseMissingJa},
      {{"ORVEL_LANG=en"}, {"--lang", "ja"}, kBaseMissingJa},
      {{"ORVEL_LANG=ja"}, {"--lang", "en"}, kBaseMissingEn},
      // An unusable value in the environment does not matter when the option decides.
      {{"ORVEL_LANG=de"}, {"--lang", "en"}, kBaseMissingEn},
      // The locale plays no part.
      {{"LANG=en_US.UTF-8", "LC_ALL=en_US.UTF-8", "LANGUAGE=en"}, {}, kBaseMissingJa},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = run;
    args.insert(args.end(), c.options.begin(), c.options.end());
    SCOPED_TRACE(::testing::PrintToString(c.env) + " " + ::testing::PrintToString(c.options));
    const CliResult r = RunCliWith(c.env, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(WithoutSummary(r.err), c.err);
    EXPECT_EQ(r.out, "");
  }
}

TEST(CliLanguage, QuestionsAndAnswersInEnglish) {
  TempDir dir;
  WriteFile(dir / "base/a.txt", "a", Time(kT));
  const CliResult r = RunCliWith({"ORVEL_LANG=en"}, {"sync", dir / "base", dir / "new/target"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(WithoutSummary(r.err), "The target folder does not exist.\nDo you want to create it and continue?\n-> No\n");
  EXPECT_FALSE(Exists(dir / "new"));
}

TEST(CliLanguage, AnUnknownLanguageIsAUsageError) {
  TempDir dir;
  MakeFolder(dir / "base", Time(kT));
  const std::string target = dir / "target";  // a run would ask for it
  for (const auto& [env, options] : std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>>{
           {{}, {"--lang", "de"}},
           {{}, {"--lang="}},
           {{}, {"--lang"}},
           {{"ORVEL_LANG=english"}, {}},
       }) {
    std::vector<std::string> args = {"sync", dir / "base", target};
    args.insert(args.end(), options.begin(), options.end());
    SCOPED_TRACE(::testing::PrintToString(env) + " " + ::testing::PrintToString(options));
    const CliResult r = RunCliWith(env, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(env.empty() ? "--lang" : "ORVEL_LANG"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(Exists(target));
}

}  // namespace
}  // namespace orvel::test
