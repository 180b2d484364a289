#include "terminal_progress.h"

#include "interrupt.h"

#include "engine/run_meter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvel::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// Appends text while it fits into `room` terminal columns (characters from
// U+1000 on counted as two, which covers the Japanese texts), never cutting a
// UTF-8 sequence. Returns the columns used.
int AppendFitting(std::string& out, std::string_view text, int room) {
  int used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (i + length > text.size()) length = 1;
    const int width = b < 0x20 ? 0 : (length >= 3 && b >= 0xE1) ? 2 : 1;
    if (used + width > room) break;
    if (b >= 0x20) out.append(text.substr(i, length));  // control bytes would break the line
    used += width;
    i += length;
  }
  return used;
}

}  // namespace

void TerminalProgress::Open() {
  if (!draw_) return;
  winsize size{};
  if (::ioctl(::fileno(stream_), TIOCGWINSZ, &size) == 0 && size.ws_col > 10) columns_ = size.ws_col;
  lastDraw_ = {};
}

void TerminalProgress::ShowStatus(engine::RunStatus status) {
  Beat(true);
  status_.assign(StatusText(language_, status));
  Redraw();
}

void TerminalProgress::SetBarRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
}

void TerminalProgress::SetBarPos(int position) {
  Beat(false);
  position_ = position;
  Redraw();
}

bool TerminalProgress::PollCancel() { return TakeInterrupt(); }

void TerminalProgress::ShowCondition(int count, int position, std::string_view name) {
  Beat(true);
  conditionCount_ = count;
  conditionPosition_ = position;
  name_.assign(name);
  Redraw();
}

void TerminalProgress::Redraw() {
  if (!draw_) return;
  // Called for every entry: look at the clock before doing any work.
  const auto now = std::chrono::steady_clock::now();
  // Also after a clear: rows streaming to the terminal clear the line often.
  if (now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;

  std::optional<engine::ProgressFigures> figured;
  if (meter_) figured = meter_->FiguresAt(now);
  // 64 bits: a position times 100 overflows an int past 21 million entries.
  int percent = upper_ > lower_
                    ? static_cast<int>((std::int64_t{position_} - lower_) * 100 / (std::int64_t{upper_} - lower_))
                    : 0;
  // Where bytes outweigh entries, the share of the work tells what the count cannot.
  if (figured && figured->workDone) percent = static_cast<int>(*figured->workDone * 100);
  std::string prefix = "[" + std::to_string(conditionPosition_) + "/" + std::to_string(conditionCount_) + "] ";
  std::string suffix = "  " + std::to_string(percent) + "%";
  line_.assign("\r");
  int room = columns_ - 1 - static_cast<int>(prefix.size() + suffix.size());
  line_ += prefix;
  room -= AppendFitting(line_, status_, room);
  // The figures tell what the percentage cannot (what is done, how fast): they
  // come before the condition's name when the line is short.
  std::string figures;
  if (figured) {
    std::string text = FiguresText(language_, *figured);
    if (room > 2) room -= AppendFitting(figures, text, room - 2) + 2;
  }
  if (!name_.empty() && room > 2) {
    line_ += "  ";
    room -= 2;
    AppendFitting(line_, name_, room);
  }
  line_ += suffix;
  if (!figures.empty()) {
    line_ += "  ";
    line_ += figures;
  }
  line_ += "\x1b[K";
  std::fwrite(line_.data(), 1, line_.size(), stream_);
  std::fflush(stream_);
  drawn_ = true;
}

void TerminalProgress::ClearLine() {
  // What follows on standard error comes after the rows written so far, also
  // where both streams go to one file.
  std::fflush(stdout);
  if (!drawn_) return;
  std::fputs("\r\x1b[K", stream_);
  std::fflush(stream_);
  drawn_ = false;
}

}  // namespace orvel::cli
