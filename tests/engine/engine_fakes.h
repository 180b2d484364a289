#pragma once

#include "engine/interfaces.h"
#include "engine/result_items.h"
#include "engine/row_store.h"
#include "engine/sync_engine.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orvel::test {

using engine::CCondition;

// A condition set with a current index, as the run sees it.
class FakeHost : public engine::IRunHost {
 public:
  std::vector<CCondition> conditions;
  int current = 0;
  CCondition working;
  std::vector<int> begun;  // indexes handed to BeginCondition, in order
  int endRuns = 0;

  int ConditionCount() const override { return static_cast<int>(conditions.size()); }
  CCondition BeginCondition(int index) override {
    begun.push_back(index);
    working = conditions[static_cast<std::size_t>(index)];
    return working;
  }
  void EndRun() override {
    ++endRuns;
    if (current >= 0 && current < ConditionCount()) working = conditions[static_cast<std::size_t>(current)];
  }
  bool DeleteTrash() const override { return working.DeleteTrash != 0; }
};

// Records what a run shows; a cancel can be requested at a chosen poll.
class FakeProgress : public engine::IProgress {
 public:
  std::vector<engine::RunStatus> statuses;
  std::vector<int> positions;
  std::vector<std::string> conditionNames;
  int opens = 0, closes = 0, polls = 0;
  // Called at every poll with the status text then shown; true requests a cancel.
  // (Searching before any status is shown.)
  std::function<bool(engine::RunStatus status, int poll)> cancelWhen;

  void Open() override { ++opens; }
  void Close() override { ++closes; }
  void ShowStatus(engine::RunStatus status) override { statuses.push_back(status); }
  void SetBarRange(int, int) override {}
  void SetBarStep(int) override {}
  void SetBarPos(int position) override { positions.push_back(position); }
  bool PollCancel() override {
    ++polls;
    return cancelWhen && cancelWhen(statuses.empty() ? engine::RunStatus::Searching : statuses.back(), polls);
  }
  void ShowCondition(int, int, std::string_view name) override { conditionNames.emplace_back(name); }
  void ShowPath(std::string_view) override {}
  // At every turn of the display (a repaint reads the lines then).
  std::function<void()> onPulse;
  void Pulse() override {
    if (onPulse) onPulse();
  }
};

// Scripted answers; records every message and question with its arguments.
class FakePrompt : public engine::IPrompt {
 public:
  std::vector<engine::RunMessage> ids;
  std::vector<engine::MessageArgs> args;
  std::deque<bool> answers;
  std::deque<engine::KeepVersion> versions;  // for conflicts; none: Neither
  std::vector<engine::ConflictQuestion> conflicts;

  engine::KeepVersion ChooseVersion(const engine::ConflictQuestion& question) override {
    conflicts.push_back(question);
    if (versions.empty()) return engine::KeepVersion::Neither;
    const engine::KeepVersion v = versions.front();
    versions.pop_front();
    return v;
  }
  void Message(engine::RunMessage message, const engine::MessageArgs& messageArgs) override {
    ids.push_back(message);
    args.push_back(messageArgs);
  }
  bool Ask(engine::RunMessage question, const engine::MessageArgs& questionArgs) override {
    ids.push_back(question);
    args.push_back(questionArgs);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
};

class FakeSelection : public engine::ISelection {
 public:
  std::vector<int> items;  // ascending
  int NextSelected(int item) const override {
    for (int i : items)
      if (i > item) return i;
    return -1;
  }
  int SelectedCount() const override { return static_cast<int>(items.size()); }
};

// An engine over fakes, with the list held in memory.
struct EngineRig {
  FakeHost host;
  FakeProgress progress;
  FakePrompt prompt;
  engine::RowStore rows;
  engine::ResultItems items{rows};
  engine::SyncEngine engine{rows, items, host, progress, prompt};

  // One line per item: "name|base date|result|target date|path".
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < items.ItemCount(); ++i) {
      std::string line;
      for (int c = 0; c < engine::ResultItems::kColumnCount; ++c) {
        if (c) line += '|';
        line += items.ItemText(i, c);
      }
      out.push_back(line);
    }
    return out;
  }
  // "name result" per item, the compact view most tests compare.
  std::vector<std::string> Results() const {
    std::vector<std::string> out;
    for (int i = 0; i < items.ItemCount(); ++i) out.push_back(items.ItemText(i, 0) + " " + items.ItemText(i, 2));
    return out;
  }
  std::string MarkOf(int item) const { return std::string(engine::MarkText(rows.Row(items.ItemData(item)).mark)); }
};

inline CCondition MakeCondition(const std::string& base, const std::string& target) {
  CCondition c;
  c.AFolder = base;
  c.BFolder = target;
  return c;
}

}  // namespace orvel::test
