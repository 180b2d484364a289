#pragma once

#include "engine/interfaces.h"
#include "messages.h"

#include <cstdio>
#include <functional>
#include <string>

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
//
// Only the question to create a missing target folder follows the answer mode.
// A busy folder is never waited for (the run ends); the question before
// complete sync empties a target because the base folder is empty is answered
// Yes only with allowEmptyBase, and the one before a remembered sync deletes
// more than half of what it remembers of a side only with allowMassDelete.
// A conflict is never settled here: its row stays "!".
class TerminalPrompt : public engine::IPrompt {
 public:
  TerminalPrompt(std::FILE* stream, AnswerMode mode, TerminalProgress* progress, bool allowEmptyBase = false,
                 Language language = Language::Japanese, bool allowMassDelete = false)
      : stream_(stream),
        mode_(mode),
        progress_(progress),
        allowEmptyBase_(allowEmptyBase),
        allowMassDelete_(allowMassDelete),
        language_(language) {}

  void Message(engine::RunMessage message, const engine::MessageArgs& args) override;
  bool Ask(engine::RunMessage question, const engine::MessageArgs& args) override;
  // What the file systems cannot do: a folder that cannot be locked (or whose
  // lock this machine alone sees) always; time steps and metadata left out with
  // --verbose. With a JSON sink, each also goes there as an object.
  void Notice(engine::RunMessage message, const engine::MessageArgs& args) override;
  // Counted; with a JSON sink, also an {"error": …} object there.
  void Stopped(engine::RunMessage told, const engine::MessageArgs& args, const std::string& folder,
               std::error_code error) override;
  // The conditions ended so far because a folder could not be used.
  unsigned Stops() const { return stops_; }

  // Never answered here, --yes included: either version would cost the other.
  engine::KeepVersion ChooseVersion(const engine::ConflictQuestion&) override { return engine::KeepVersion::Neither; }
  std::string ReasonText(const engine::Reason& reason) override { return WordedReason(language_, reason); }

  void SetVerbose(bool verbose) { verbose_ = verbose; }
  void SetJsonSink(std::function<void(const std::string&)> sink) { jsonSink_ = std::move(sink); }

 private:
  bool ReadAnswer();
  void Write(const std::string& text);

  std::FILE* stream_;
  AnswerMode mode_;
  TerminalProgress* progress_;
  bool allowEmptyBase_;
  bool allowMassDelete_;
  Language language_;
  bool verbose_ = false;
  unsigned stops_ = 0;
  std::function<void(const std::string&)> jsonSink_;
};

}  // namespace orvel::cli
