#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvel::engine {

// The messages and questions of a run and of the row commands. The engine names
// them; each front end renders them in its language (Japanese by default).
enum class RunMessage {
  BaseMissing,         // message
  TargetMissingAsk,    // question: create the missing target folder?
  TargetCannotCreate,  // message
  TargetNotFolder,     // message
  SameFolders,         // message
  FolderUnreadable,    // message; arguments: folder, reason
  FolderBusyAsk,       // question: try again?; argument: folder
  EmptyBaseAsk,        // question: delete everything?; arguments: base folder, target folder
  ConfirmSync,         // question
  ConfirmForceBase1,   // question
  ConfirmForceBase2,   // question
  ConfirmForceTarget1,  // question
  ConfirmForceTarget2,  // question
  DeleteConditionAsk,   // question; argument: the condition's name
};

using MessageArgs = std::vector<std::string>;

// The Japanese text, with "%1", "%2" replaced by the arguments.
std::string JapaneseText(RunMessage message, const MessageArgs& args = {});

// Replaces "%1" … "%9" in a text by the arguments (a missing one by nothing).
std::string FillArguments(std::string_view text, const MessageArgs& args);

}  // namespace orvel::engine
