#include "terminal_prompt.h"

#include "output.h"
#include "stop_code.h"
#include "terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>

namespace orvel::cli {

namespace {

enum class Reply { Yes, No, Unclear, Closed };

Reply Interpret(const std::string& line) {
  std::string word;
  for (const char c : line) {
    if (!std::isspace(static_cast<unsigned char>(c)))
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (word == "y" || word == "yes") return Reply::Yes;
  if (word == "n" || word == "no") return Reply::No;
  return Reply::Unclear;
}

// One line of standard input, read byte by byte so nothing after it is
// consumed. End of input and an interrupted read (Ctrl+C) close the question.
Reply ReadReply() {
  std::string line;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) return Reply::Closed;
      if (n == 0 && !line.empty()) return Interpret(line);
      return Reply::Closed;
    }
    if (c == '\n') return Interpret(line);
    line += c;
  }
}

}  // namespace

void TerminalPrompt::Write(const std::string& text) {
  if (progress_) progress_->ClearLine();
  std::fwrite(text.data(), 1, text.size(), stream_);
}

namespace {

// Folder names in messages reach the terminal escaped, as in the list.
engine::MessageArgs Escaped(const engine::MessageArgs& args) {
  engine::MessageArgs escaped;
  for (const std::string& arg : args) {
    escaped.emplace_back();
    AppendEscapedText(escaped.back(), arg);
  }
  return escaped;
}

}  // namespace

void TerminalPrompt::Message(engine::RunMessage message, const engine::MessageArgs& args) {
  Write(MessageText(language_, message, Escaped(args)) + '\n');
  std::fflush(stream_);
}

void TerminalPrompt::Notice(engine::RunMessage message, const engine::MessageArgs& args) {
  const char* key = nullptr;
  bool always = true;
  switch (message) {
    case engine::RunMessage::FolderUnlockable:
      key = "folder_unlockable";
      break;
    case engine::RunMessage::LockLocalOnly:
      key = "lock_local_only";
      break;
    case engine::RunMessage::TimeGranularity:
      key = "time_granularity";
      always = false;
      break;
    case engine::RunMessage::MetadataSkipped:
      key = "metadata_skipped";
      always = false;
      break;
    case engine::RunMessage::TemporaryUnproven:
      key = "temporary_unproven";
      break;
    default:
      Message(message, args);
      return;
  }
  if (always || verbose_) Message(message, args);
  if (!jsonSink_) return;
  std::string line = "{\"notice\":\"";
  line += key;
  line += "\",\"folder\":";
  AppendJsonString(line, args.empty() ? std::string() : args[0]);
  // The arguments after the folder: a reason; a file system type; or a value and a type.
  const bool withValue = message == engine::RunMessage::TimeGranularity || message == engine::RunMessage::MetadataSkipped ||
                         message == engine::RunMessage::TemporaryUnproven;
  const char* const keys[] = {message == engine::RunMessage::FolderUnlockable ? "reason"
                              : withValue                                     ? "value"
                                                                              : "file_system",
                              "file_system"};
  for (std::size_t i = 1; i < args.size() && i <= 2; ++i) {
    line += ",\"";
    line += keys[i - 1];
    line += "\":";
    AppendJsonString(line, args[i]);
  }
  line += ",\"text\":";
  AppendJsonString(line, MessageText(language_, message, args));
  line += "}\n";
  jsonSink_(line);
}

void TerminalPrompt::Stopped(engine::RunMessage told, const engine::MessageArgs& args, const std::string& folder,
                             std::error_code error) {
  ++stops_;
  if (!jsonSink_) return;
  std::string text = MessageText(language_, told, args);
  // A question the run took No for: what it said, without the asking.
  if (told == engine::RunMessage::TargetMissingAsk || told == engine::RunMessage::FolderBusyAsk)
    text.erase(std::min(text.size(), text.rfind('\n')));
  std::string line;
  AppendJsonError(line, StopCode(told, error), folder, text);
  jsonSink_(line);
}

bool TerminalPrompt::ReadAnswer() {
  for (;;) {
    std::fputs(" (y/n) ", stream_);
    std::fflush(stream_);
    switch (ReadReply()) {
      case Reply::Yes:
        return true;
      case Reply::No:
        return false;
      case Reply::Closed:
        std::fputc('\n', stream_);
        return false;
      case Reply::Unclear:
        break;
    }
  }
}

bool TerminalPrompt::Ask(engine::RunMessage question, const engine::MessageArgs& args) {
  Write(MessageText(language_, question, Escaped(args)));
  bool yes = false;
  if (question == engine::RunMessage::FolderBusyAsk) {
    std::fputc('\n', stream_);
  } else if (question == engine::RunMessage::EmptyBaseAsk) {
    yes = allowEmptyBase_;
    std::fputc('\n', stream_);
    if (!yes) Write("orvel-cli: " + CliTextOf(language_, CliText::EmptyBaseRefused) + '\n');
  } else if (question == engine::RunMessage::MassDeleteBaseAsk || question == engine::RunMessage::MassDeleteTargetAsk) {
    yes = allowMassDelete_;
    std::fputc('\n', stream_);
    if (!yes) Write("orvel-cli: " + CliTextOf(language_, CliText::MassDeleteRefused) + '\n');
  } else {
    switch (mode_) {
      case AnswerMode::Yes:
        yes = true;
        std::fputc('\n', stream_);
        break;
      case AnswerMode::No:
        std::fputc('\n', stream_);
        break;
      case AnswerMode::Interactive:
        yes = ReadAnswer();
        break;
    }
  }
  const std::string answer = CliTextOf(language_, yes ? CliText::AnswerYes : CliText::AnswerNo) + '\n';
  std::fwrite(answer.data(), 1, answer.size(), stream_);
  std::fflush(stream_);
  return yes;
}

}  // namespace orvel::cli
