// Every text of both programs' shared table and of orvel-cli's own, in both
// languages: none empty, none left untranslated, each filling in the same
// arguments; and orvel-cli's usage, errors and --help in the run's language.
#include "cli_process.h"
#include "messages.h"
#include "usage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

namespace orvel::test {
namespace {

// Kana, kanji, Japanese punctuation and full-width forms.
bool HasJapanese(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    char32_t code = c;
    std::size_t length = 1;
    if (c >= 0xF0) {
      code = c & 0x07, length = 4;
    } else if (c >= 0xE0) {
      code = c & 0x0F, length = 3;
    } else if (c >= 0xC0) {
      code = c & 0x1F, length = 2;
    }
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    if ((code >= 0x3000 && code <= 0x30FF) || (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0xFF00 && code <= 0xFFEF))
      return true;
    i += length;
  }
  return false;
}

std::set<std::string> Placeholders(std::string_view text) {
  std::set<std::string> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(std::string(text.substr(i, 2)));
  return found;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void ExpectTranslated(std::string_view key, std::string_view japanese, std::string_view english, bool same) {
  SCOPED_TRACE(std::string(key));
  EXPECT_FALSE(japanese.empty());
  EXPECT_FALSE(english.empty());
  EXPECT_FALSE(HasJapanese(english)) << english;
  if (!same) {
    EXPECT_NE(japanese, english);
    EXPECT_TRUE(HasJapanese(japanese)) << "not Japanese: " << japanese;
  }
  EXPECT_EQ(Placeholders(japanese), Placeholders(english)) << japanese << " | " << english;
  EXPECT_EQ(EndsWith(japanese, "？"), EndsWith(english, "?")) << japanese << " | " << english;
}

TEST(TextCatalogue, EveryKeyHasBothLanguages) {
  std::set<std::string> keys;
  for (const engine::TextEntry& e : engine::TextCatalogue()) {
    EXPECT_TRUE(keys.insert(e.key).second) << "twice: " << e.key;
    ExpectTranslated(e.key, e.japanese, e.english, e.same);
  }
  for (const cli::CliTextEntry& e : cli::CliTextCatalogue()) {
    EXPECT_TRUE(keys.insert(e.key).second) << "twice: " << e.key;
    ExpectTranslated(e.key, e.japanese, e.english, false);
  }
  EXPECT_EQ(keys.size(), engine::TextCatalogue().size() + cli::CliTextCatalogue().size());
}

// The options a text names.
std::set<std::string> OptionsNamed(std::string_view text) {
  std::set<std::string> options;
  const auto word = [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; };
  for (std::size_t at = text.find("--"); at != std::string_view::npos; at = text.find("--", at + 2)) {
    std::size_t end = at + 2;
    while (end < text.size() && word(text[end])) ++end;
    if (end > at + 2) options.insert(std::string(text.substr(at, end - at)));
    at = end - 2;
  }
  return options;
}

TEST(CliUsage, HelpAndUsageErrorsInTheRunsLanguage) {
  const std::string_view japanese = cli::UsageText(cli::Language::Japanese);
  const std::string_view english = cli::UsageText(cli::Language::English);
  ExpectTranslated("usage", japanese, english, false);
  // Neither help forgets an option the other names.
  EXPECT_EQ(OptionsNamed(japanese), OptionsNamed(english));
  EXPECT_GT(OptionsNamed(english).size(), 20u);

  const struct {
    std::vector<std::string> env;
    std::vector<std::string> args;
    int status;
    std::string out;  // its start
    std::string err;
  } cases[] = {
      {{}, {"--help"}, 0, "使い方:\n", ""},
      {{"ORVEL_LANG=en"}, {"-h"}, 0, "Usage:\n", ""},
      {{"ORVEL_LANG=en"}, {"--help", "--lang", "ja"}, 0, "使い方:\n", ""},
      {{}, {"bogus"}, 2, "", "orvel-cli: 不明なコマンドです: 'bogus'\n詳しくは 'orvel-cli --help' を見てください。\n"},
      // A --lang after the fault still counts.
      {{}, {"bogus", "--lang=en"}, 2, "", "orvel-cli: unknown command 'bogus'\nTry 'orvel-cli --help' for more information.\n"},
      {{"ORVEL_LANG=en"}, {"list", "--tolerance", "9x"}, 2, "",
       "orvel-cli: invalid tolerance '9x' (a whole number 0 to 40000, optionally followed by s, m, h or d)\n"
       "Try 'orvel-cli --help' for more information.\n"},
      // The words of the command line reach the terminal escaped.
      {{}, {"list", "a", "b", "c\x1b[2J"}, 2, "",
       "orvel-cli: オペランドが多すぎます: 'c\\x1b[2J'\n詳しくは 'orvel-cli --help' を見てください。\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.env) + " " + ::testing::PrintToString(c.args));
    const CliResult r = RunCliWith(c.env, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(RunCli({"--help"}).out, japanese);
}

}  // namespace
}  // namespace orvel::test
