#pragma once

#include "engine/interfaces.h"

#include <cstdio>

namespace orvel::cli {

class TerminalProgress;

// How questions get their answer.
enum class AnswerMode {
  Yes,          // --yes: every question is answered Yes
  Interactive,  // ask on the terminal and read the answer from standard input
  No,           // no terminal to ask: every question is answered No
};

// Messages and questions of a run, written to standard error with their line
// breaks. Each question is followed by the answer taken ("-> Yes" / "-> No"),
// so that a log of the run shows what was decided.
class TerminalPrompt : public engine::IPrompt {
 public:
  TerminalPrompt(std::FILE* stream, AnswerMode mode, TerminalProgress* progress)
      : stream_(stream), mode_(mode), progress_(progress) {}

  void Message(std::string_view text) override;
  bool AskYesNo(std::string_view text) override;

 private:
  bool ReadAnswer();

  std::FILE* stream_;
  AnswerMode mode_;
  TerminalProgress* progress_;
};

}  // namespace orvel::cli
