// The desktop program's --help and --version answer on the terminal and never
// need a display.
#include "run_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel {
namespace {

using test::RunProgram;

// Nothing to draw on: a program that started its window here could not.
const std::vector<std::string> kNoDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"};

TEST(ProgramSwitchesTest, HelpAndVersionAnswerWithoutADisplay) {
  const auto help = RunProgram({ORVEL_PROGRAM, "--help"}, kNoDisplay);
  EXPECT_EQ(help.exitCode, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: orvel ", 0), 0u) << help.out;
  for (const char* mention : {"FILE.ORV", "-R", "-X", "--help", "--version", "orvel-cli"})
    EXPECT_NE(help.out.find(mention), std::string::npos) << mention;
  EXPECT_EQ(help.err, "");

  const auto version = RunProgram({ORVEL_PROGRAM, "--version"}, kNoDisplay);
  EXPECT_EQ(version.exitCode, 0) << version.err;
  EXPECT_EQ(version.out, "orvel 1.73\n");
  EXPECT_EQ(version.err, "");
}

TEST(ProgramSwitchesTest, SwitchesCountAfterOtherArguments) {
  // Read wherever they stand: a file and a run switch before them start nothing.
  const auto version = RunProgram({ORVEL_PROGRAM, "/nonexistent/conditions.ORV", "-R", "--version"}, kNoDisplay);
  EXPECT_EQ(version.exitCode, 0) << version.err;
  EXPECT_EQ(version.out, "orvel 1.73\n");
}

}  // namespace
}  // namespace orvel
