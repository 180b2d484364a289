#include "ui/startup/command_line.h"

namespace orvel::ui {
namespace {

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsSwitch(const QString& argument) {
  if (argument.startsWith(u'-')) return true;
  return argument.size() == 2 && argument[0] == u'/' && IsAsciiLetter(argument[1]);
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine result;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument.isEmpty()) continue;
    if (argument == u"--lang") {
      // Its value is never the file, even when it is missing or odd.
      if (i + 1 < arguments.size()) result.language = arguments[++i];
      continue;
    }
    if (argument.startsWith(u"--lang=")) {
      result.language = argument.mid(7);
      continue;
    }
    if (IsSwitch(argument)) {
      const QString name = argument.mid(1);
      if (name.compare(u"R", Qt::CaseInsensitive) == 0) {
        result.autoRun = true;
      } else if (name.compare(u"X", Qt::CaseInsensitive) == 0) {
        result.exitAfterRun = true;
      }
      continue;
    }
    result.file = argument;
  }
  // X only closes the window after the run that R starts.
  if (result.exitAfterRun && !result.autoRun) result.exitAfterRun = false;
  if (result.file.isEmpty()) {
    result.autoRun = false;
    result.exitAfterRun = false;
  }
  return result;
}

}  // namespace orvel::ui
