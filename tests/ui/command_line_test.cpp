#include "ui/startup/command_line.h"

#include <gtest/gtest.h>

namespace orvel::ui {
namespace {

struct Expected {
  bool autoRun;
  bool exitAfterRun;
  QString file;
};

void ExpectParsed(const QStringList& arguments, const Expected& expected) {
  SCOPED_TRACE(arguments.join(u' ').toStdString());
  const CommandLine parsed = ParseCommandLine(arguments);
  EXPECT_EQ(parsed.autoRun, expected.autoRun);
  EXPECT_EQ(parsed.exitAfterRun, expected.exitAfterRun);
  EXPECT_EQ(parsed.file, expected.file);
}

TEST(CommandLineTest, NoArgumentsAskForNothing) { ExpectParsed({}, {false, false, ""}); }

TEST(CommandLineTest, TheRunAndExitSwitchesInEitherFormAndAnyCase) {
  for (const QString r : {"-R", "-r", "/R", "/r"}) {
    ExpectParsed({r, "a.ORV"}, {true, false, "a.ORV"});
    ExpectParsed({"a.ORV", r}, {true, false, "a.ORV"});
  }
  for (const QString x : {"-X", "-x", "/X", "/x"}) ExpectParsed({"-R", x, "a.ORV"}, {true, true, "a.ORV"});
  ExpectParsed({"/x", "a.ORV", "/r"}, {true, true, "a.ORV"});
}

TEST(CommandLineTest, OtherSwitchesAreIgnoredWithoutTakingTheFilesPlace) {
  for (const QString other : {"-RX", "-Run", "-Q", "/Q", "-", "--", "-R "}) {
    ExpectParsed({"a.ORV", other}, {false, false, "a.ORV"});
  }
  // "/RX" and "/Run" are longer than a switch, so they name files.
  ExpectParsed({"a.ORV", "/RX"}, {false, false, "/RX"});
  ExpectParsed({"-R", "a.ORV", "/Run"}, {true, false, "/Run"});
  // Only an ASCII letter makes a two-character switch.
  ExpectParsed({"a.ORV", "/é"}, {false, false, "/é"});
  ExpectParsed({"a.ORV", "/1"}, {false, false, "/1"});
}

TEST(CommandLineTest, ExitWithoutRunAndSwitchesWithoutAFileAreCleared) {
  ExpectParsed({"-X", "a.ORV"}, {false, false, "a.ORV"});
  ExpectParsed({"-R"}, {false, false, ""});
  ExpectParsed({"/X"}, {false, false, ""});
  ExpectParsed({"-R", "-X"}, {false, false, ""});
  ExpectParsed({"-R", "-X", ""}, {false, false, ""});
}

TEST(CommandLineTest, TheLastFileWinsAndAbsolutePathsAreFiles) {
  ExpectParsed({"first.ORV", "second.ORV"}, {false, false, "second.ORV"});
  ExpectParsed({"-R", "/home/a.ORV"}, {true, false, "/home/a.ORV"});
  ExpectParsed({"/r", "/home/ユーザー/条件 1.ORV", "/x"}, {true, true, "/home/ユーザー/条件 1.ORV"});
  ExpectParsed({"/", "/R"}, {true, false, "/"});
  // An empty argument names no file and does not undo an earlier one.
  ExpectParsed({"-R", "a.ORV", ""}, {true, false, "a.ORV"});
}

TEST(CommandLineTest, LangTakesItsValueWhichIsNeverTheFile) {
  const struct {
    QStringList arguments;
    QString language;
    QString file;
    bool autoRun;
  } cases[] = {
      {{"--lang", "en"}, "en", "", false},
      {{"--lang=en"}, "en", "", false},
      {{"a.ORV", "--lang", "en", "-R"}, "en", "a.ORV", true},
      {{"--lang", "en", "a.ORV"}, "en", "a.ORV", false},
      {{"--lang", "ja", "--lang=en"}, "en", "", false},
      {{"a.ORV", "--lang"}, "", "a.ORV", false},       // no value: nothing
      {{"--lang", "-R", "a.ORV"}, "-R", "a.ORV", false},  // the value is taken as it is
      {{"a.ORV"}, "", "a.ORV", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    const CommandLine parsed = ParseCommandLine(c.arguments);
    EXPECT_EQ(parsed.language, c.language);
    EXPECT_EQ(parsed.file, c.file);
    EXPECT_EQ(parsed.autoRun, c.autoRun);
  }
}

}  // namespace
}  // namespace orvel::ui
