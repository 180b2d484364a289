#pragma once

#include <QString>
#include <QStringList>

namespace orvel::ui {

// What the command line asks for: a condition file and the switches R (start the
// sync run) and X (close after it).
struct CommandLine {
  bool autoRun = false;
  bool exitAfterRun = false;
  QString file;
  QString language;  // the value of "--lang", empty when not given
};

// Examines the arguments after the program's name, first to last.
// - An argument beginning with "-" is a switch: the rest, as a whole and in any
//   case, is "R" (auto-run) or "X" (exit after the run); any other switch
//   ("-RX", "-Run", "-Q", "-") is ignored.
// - An argument of exactly two characters, "/" and an ASCII letter, is a switch
//   too: "/R" and "/X" in any case count, others ("/Q") are ignored. Every other
//   argument beginning with "/" is a path, because every absolute path does; a
//   file at the root named by a single letter has to be given as "/./a" or so.
// - "--lang" takes the next argument as the language ("--lang en"), and
//   "--lang=en" gives it in one; the last one wins.
// - An empty argument names nothing and is skipped.
// - Any other argument is the file; the last one wins.
// Afterwards X without R is cleared, and without a file both switches are.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace orvel::ui
