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
  // The sync memory: a notice, never a question, so that a run from cron goes on.
  MemoryReplaced,      // notice: a root is another folder now, the remembered state is not used; arguments: base, target
  MemoryUnavailable,   // notice: the remembered state cannot be read or written; arguments: state file, reason
  MemoryUntrusted,     // notice: the remembered state is not the user's alone, not used; arguments: state file, reason
  MemoryRemote,        // notice: a pair with a folder on another machine is compared without its state; arguments: base, target
  // Questions before a remembered sync deletes more than half of what it
  // remembers from one side; arguments: that side's folder, how many, of how
  // many, the other folder.
  MassDeleteBaseAsk,
  MassDeleteTargetAsk,
  // What the file systems of a run cannot do: notices, said once per run.
  FolderUnlockable,  // notice: the folder cannot be locked, the run goes on; arguments: folder, reason
  LockLocalOnly,     // notice: the lock is seen by this machine only; arguments: folder, file system type
  TimeGranularity,   // notice: times are compared in coarser steps; arguments: folder, step ("1 s"), file system type
  MetadataSkipped,   // notice: what the file system cannot hold was left out; arguments: folder, what (a CopyNote name), file system type
  // A folder on another machine whose far side sent nothing that moved for
  // too long: the connection was ended; arguments: folder, seconds.
  FarSideSilent,
  // Notice: the changes of a condition could not be put on stable storage, so
  // they are not remembered; arguments: folder (or file system type), reason.
  NotDurable,
  // Notice: entries named like the program's temporary files on a file system
  // that holds no marks, left and treated as the user's; arguments: folder,
  // how many, file system type.
  TemporaryUnproven,
};

// What a progress display shows as its status line.
enum class RunStatus {
  Searching,       // both trees are being read
  BasePass,        // the base side's entries are judged (and executed)
  TargetPass,      // the target side's entries are
  IndividualSync,  // the selected rows are executed
  Launching,       // the external tool is started for the selected rows
  Connecting,      // a folder on another machine is being reached
};

using MessageArgs = std::vector<std::string>;

// Replaces "%1" … "%9" in a text by the arguments (a missing one by nothing),
// for front ends that render messages from templates.
std::string FillArguments(std::string_view text, const MessageArgs& args);

}  // namespace orvel::engine
