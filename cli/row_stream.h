#pragma once

#include "engine/interfaces.h"
#include "engine/result_items.h"
#include "engine/row_store.h"
#include "options.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <string>

namespace orvel::cli {

class TerminalProgress;

// The result list of a run in orvel-cli: the items of engine::ResultItems,
// each written to standard output as soon as it is final, in list order, with
// its failure line on standard error right after it.
//
// In list creation an item is final when it is added. In a sync run the engine
// executes each item right after adding it, so an item is final once its result
// is set, once the next item is added, or at the end of the run; one that
// execution never touches ("=" pairs, rows the comparison could not judge,
// conflicts "!") is final at once.
class RowStream : public engine::IResultList {
 public:
  struct Setup {
    OutputFormat format = OutputFormat::Text;
    bool syncRun = false;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    // Someone may be waiting for the rows (a terminal, a pipe): they are handed
    // over before the run may wait (a row's execution, a new condition, a
    // message) and at least every 100 ms. Otherwise (a regular file,
    // /dev/null) they go out when the stream's buffer is full.
    bool paced = true;
    // Cleared before a failure line, and before a row when out is a terminal.
    TerminalProgress* progress = nullptr;
    bool outIsTerminal = false;
    Language language = Language::Japanese;  // of the failure lines
  };

  RowStream(const engine::RowStore& rows, const Setup& setup) : items_(rows), rows_(rows), setup_(setup) {}

  int ItemCount() const override { return items_.ItemCount(); }
  void AppendItem(int rowIndex) override;
  int ItemData(int item) const override { return items_.ItemData(item); }
  std::string ItemText(int item, int column) const override { return items_.ItemText(item, column); }
  engine::Mark ItemMark(int item) const override { return items_.ItemMark(item); }
  engine::DateCopy ItemDateCopy(int item) const override { return items_.ItemDateCopy(item); }
  void SetItemResult(int item, const engine::ItemResult& result) override;
  void MarkPending(int item) override { pending_.insert(item); }
  void Clear() override;

  // A line of its own (a JSON notice), written now, between rows.
  void WriteLine(const std::string& line);

  // The run goes on (true: it enters a new condition or phase, which may take
  // long): rows written but not handed over go out when it is time.
  void Heartbeat(bool phaseChange);

  // Writes the items not written yet and flushes standard output. False when
  // writing to it failed at any time; OutputError() then tells why.
  bool Finish();
  int OutputError() const { return outputError_; }

  const engine::ResultItems& Items() const { return items_; }

 private:
  // Writes every item up to and including `item` that is not written yet.
  void WriteThrough(int item);
  void WriteItem(int item);
  // Hands what the stream holds to the system.
  void Deliver();
  void NoteFailure();

  engine::ResultItems items_;
  const engine::RowStore& rows_;
  Setup setup_;
  int written_ = 0;  // the items before this one are written
  int final_ = -1;   // the items up to this one are final, but for those pending
  std::set<int> pending_;  // executed on another machine, not answered yet
  bool undelivered_ = false;
  std::chrono::steady_clock::time_point lastDelivery_{};
  std::string line_;
  bool outFailed_ = false;
  int outputError_ = 0;
};

}  // namespace orvel::cli
