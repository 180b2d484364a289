#include "row_stream.h"

#include "output.h"
#include "terminal_progress.h"

#include <cerrno>

namespace orvel::cli {

namespace {

constexpr auto kDeliveryInterval = std::chrono::milliseconds(100);

}  // namespace

void RowStream::AppendItem(int rowIndex) {
  // Each item is executed before the next is added: the ones before are final.
  WriteThrough(items_.ItemCount() - 1);
  items_.AppendItem(rowIndex);
  // What a sync run never executes: identical pairs, rows the comparison could
  // not judge, conflicts.
  const engine::Mark mark = rows_.Row(rowIndex).mark;
  if (!setup_.syncRun || mark == engine::Mark::Same || mark == engine::Mark::Failed ||
      mark == engine::Mark::Conflict) {
    WriteThrough(items_.ItemCount() - 1);
  } else if (setup_.paced) {
    // Its execution follows, and a copy may take long: a reader gets what is final.
    Deliver();
  }
}

void RowStream::SetItemResult(int item, const engine::ItemResult& result) {
  items_.SetItemResult(item, result);
  pending_.erase(item);
  WriteThrough(item);
}

void RowStream::Clear() {
  items_.Clear();
  written_ = 0;
  final_ = -1;
  pending_.clear();
}

void RowStream::Heartbeat(bool phaseChange) {
  if (!undelivered_) return;
  if (phaseChange || std::chrono::steady_clock::now() - lastDelivery_ >= kDeliveryInterval) Deliver();
}

bool RowStream::Finish() {
  pending_.clear();
  WriteThrough(items_.ItemCount() - 1);
  undelivered_ = true;
  Deliver();
  // A flush by someone else (before a message) may have failed.
  if (!outFailed_ && std::ferror(setup_.out)) {
    outFailed_ = true;
    outputError_ = EIO;
  }
  return !outFailed_;
}

void RowStream::WriteLine(const std::string& line) {
  if (outFailed_) return;
  if (setup_.outIsTerminal && setup_.progress) setup_.progress->ClearLine();
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), setup_.out) != line.size()) NoteFailure();
  undelivered_ = true;
  if (setup_.paced) Heartbeat(false);
}

void RowStream::WriteThrough(int item) {
  // Rows go out in order: one whose far side has not answered holds back those after it.
  if (item > final_) final_ = item;
  while (written_ <= final_ && !pending_.contains(written_)) WriteItem(written_++);
}

void RowStream::NoteFailure() {
  outFailed_ = true;
  outputError_ = errno != 0 ? errno : EIO;
}

void RowStream::Deliver() {
  if (!undelivered_) return;
  undelivered_ = false;
  lastDelivery_ = std::chrono::steady_clock::now();
  if (outFailed_) return;
  errno = 0;
  if (std::fflush(setup_.out) != 0) NoteFailure();
}

void RowStream::WriteItem(int item) {
  line_.clear();
  if (setup_.format == OutputFormat::Json) {
    AppendJsonItem(line_, items_, rows_, item);
  } else {
    AppendTextItem(line_, items_, item);
  }
  // After the first failure (a reader gone, a full disk) the run goes on, but
  // nothing more is written: the exit status tells.
  if (!outFailed_) {
    if (setup_.outIsTerminal && setup_.progress) setup_.progress->ClearLine();
    errno = 0;
    if (std::fwrite(line_.data(), 1, line_.size(), setup_.out) != line_.size()) NoteFailure();
    if (setup_.paced) {
      undelivered_ = true;
      Heartbeat(false);
    }
  }
  line_.clear();
  if (AppendFailureLine(line_, items_, rows_, item, setup_.language)) {
    // The row before its reason, also where both streams go to one file.
    undelivered_ = true;
    Deliver();
    if (setup_.progress) setup_.progress->ClearLine();
    std::fwrite(line_.data(), 1, line_.size(), setup_.err);
    std::fflush(setup_.err);
  }
}

}  // namespace orvel::cli
