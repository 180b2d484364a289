#pragma once

#include "engine/condition.h"
#include "engine/marks.h"
#include "engine/row_store.h"
#include "engine/run_message.h"
#include "engine/texts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace orvel::engine {

struct RunPlan;
// Which version of a conflict ("!") the user keeps: the base's, the target's,
// both (the target's renamed beside the other, then each copied to the other
// side), or none for now (the row stays as it is). Keeping one sends the other
// to the trash, or where no trash takes it keeps it beside under a name of its
// own: no answer destroys a version.
enum class KeepVersion { Base, Target, Both, Neither };

// The question of a conflict: the entry's two paths, what the list shows of
// each version, and why it stopped.
struct ConflictQuestion {
  std::string basePath;
  std::string targetPath;
  bool baseExists = true;
  bool targetExists = true;
  platform::FileTime baseTime;
  platform::FileTime targetTime;
  std::uint64_t baseSize = 0;  // 0 for a folder
  std::uint64_t targetSize = 0;
  bool baseFolder = false;
  bool targetFolder = false;
  std::error_code reason;  // engine::ConflictCategory
};

// Messages and questions of a run and of the row commands. The desktop program
// shows message boxes titled with its name; the command-line program writes to
// standard error and answers questions by its options.
class IPrompt {
 public:
  virtual ~IPrompt() = default;
  // A message with an OK button.
  virtual void Message(RunMessage message, const MessageArgs& args = {}) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool Ask(RunMessage question, const MessageArgs& args = {}) = 0;
  // Something the user should know that must not stop the run (the desktop
  // program's status bar); by default a message.
  virtual void Notice(RunMessage message, const MessageArgs& args = {}) { Message(message, args); }
  // The question before a sync run (ConfirmSync), with what the list on screen
  // says the run will do; null when no list is on screen.
  virtual bool AskToSync(const RunPlan* /*plan*/) { return Ask(RunMessage::ConfirmSync); }
  // Which version of a conflict to keep; a front end that cannot ask keeps
  // both as they are, and so does every answer but an explicit choice.
  virtual KeepVersion ChooseVersion(const ConflictQuestion&) { return KeepVersion::Neither; }
  // Told after the message or question (`told`, with its arguments) that ended
  // a condition because a folder could not be used: which folder and why, for a
  // front end that also reports such failures by kind.
  virtual void Stopped(RunMessage /*told*/, const MessageArgs& /*args*/, const std::string& /*folder*/,
                       std::error_code /*error*/) {}
  // A reason in the front end's language, for a message's arguments.
  virtual std::string ReasonText(const Reason& reason) { return engine::ReasonText(Language::Japanese, reason); }
};

class RunMeter;

// The progress display of a long operation. All calls come from the thread of
// the run; SetBarPos and PollCancel are where the display may let its event loop
// turn.
class IProgress {
 public:
  virtual ~IProgress() = default;
  virtual void Open() = 0;   // shows the display (and disables the main window)
  virtual void Close() = 0;  // hides it again
  virtual void ShowStatus(RunStatus status) = 0;
  virtual void SetBarRange(int lower, int upper) = 0;
  virtual void SetBarStep(int step) = 0;
  virtual void SetBarPos(int position) = 0;
  // Reports a pending cancel request once, then forgets it.
  virtual bool PollCancel() = 0;
  // The condition line: a bar of range 0 … count at position, and the name.
  virtual void ShowCondition(int count, int position, std::string_view name) = 0;
  // The path line; an empty text clears it.
  virtual void ShowPath(std::string_view path) = 0;
  // The figures of the run from now on (rows, files and bytes, speed, time
  // left), to be read whenever the display turns; null when the run has ended.
  virtual void WatchRun(const RunMeter* /*meter*/) {}
  // Long work between entries (a large scan's memory handed back): the display
  // may let its event loop turn, as in SetBarPos, and nothing else changes.
  virtual void Pulse() {}
};

// What the list creation run needs of the condition set and the condition bar.
class IRunHost {
 public:
  virtual ~IRunHost() = default;
  virtual int ConditionCount() const = 0;
  // Loads condition i into the working set (the current index stays), shows it
  // in the condition bar and the toolbar, and returns it with its name.
  virtual CCondition BeginCondition(int index) = 0;
  // Shows the current condition again at the end of a run.
  virtual void EndRun() = 0;
  // DeleteTrash of the working set at this moment.
  virtual bool DeleteTrash() const = 0;
};

// Which date an executed item shows in place of the other.
enum class DateCopy : unsigned char { None, BaseOverTarget, TargetOverBase };

// What execution made of an item: the mark its result column shows, the date it
// copied, and why it failed.
struct ItemResult {
  Mark shown = Mark::Failed;
  DateCopy copy = DateCopy::None;
  RowError error;
  // The bytes a copy moved, where they can differ from the size the list saw
  // (another machine's claim); unset: the list's size.
  std::optional<std::uint64_t> bytes = std::nullopt;
};

// The result list: one item per row, appended in row order. An item shows its
// row's texts (name, dates, result text, folder of its side) until execution
// sets its result.
class IResultList {
 public:
  virtual ~IResultList() = default;
  virtual int ItemCount() const = 0;
  // Appends an item whose item data is rowIndex.
  virtual void AppendItem(int rowIndex) = 0;
  virtual int ItemData(int item) const = 0;
  virtual std::string ItemText(int item, int column) const = 0;
  // The mark the result column shows.
  virtual Mark ItemMark(int item) const = 0;
  // Which date the item shows in place of the other (what the list now says of
  // the two entries).
  virtual DateCopy ItemDateCopy(int item) const = 0;
  virtual void SetItemResult(int item, const ItemResult& result) = 0;
  // The item's result comes later (another machine answers it): until then the
  // items after it are not final either.
  virtual void MarkPending(int /*item*/) {}
  // Called once when the list is emptied at the start of a run.
  virtual void Clear() = 0;
};

// The selected items of the result list, visited in ascending item order.
class ISelection {
 public:
  virtual ~ISelection() = default;
  // The first selected item after `item` (-1 to start), or -1 when there is none.
  virtual int NextSelected(int item) const = 0;
  virtual int SelectedCount() const = 0;
};

}  // namespace orvel::engine
