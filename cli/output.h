#pragma once

#include "engine/result_items.h"
#include "engine/run_meter.h"
#include "engine/run_plan.h"
#include "engine/row_store.h"
#include "messages.h"
#include "platform/file_time.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace orvel::cli {

// Appends text with backslash, tab, LF and CR written as "\\", "\t", "\n" and
// "\r", and every other control byte (0x00-0x1F, 0x7F) as "\xHH" in lower-case
// hex, so that an item always takes exactly one line and no name can drive the
// terminal. Other bytes stay as they are.
void AppendEscapedText(std::string& out, std::string_view text);

// Appends text as a JSON string (quotes included). Valid UTF-8 is kept; each
// byte that is not part of valid UTF-8 becomes \udcXX, so no name is lost.
void AppendJsonString(std::string& out, std::string_view text);

// Collects output in a large buffer and writes it in big chunks.
class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* file) : file_(file) {}
  std::string& Text() { return buffer_; }
  // Writes the buffer out when it has grown large.
  void MaybeFlush();
  // Writes everything; false when the stream reported an error at any time.
  bool Finish();

 private:
  void Write();

  std::FILE* file_;
  std::string buffer_;
  bool failed_ = false;
};

// The time in UTC as RFC 3339 with nanoseconds: "2023-11-14T22:13:20.123456789Z".
void AppendRfc3339Time(std::string& out, const platform::FileTime& time);

// The text line of an item: the five columns separated by tabs.
void AppendTextItem(std::string& out, const engine::ResultItems& items, int item);

// The JSON object of an item on one line; an item that failed adds "error"
// with its reason.
void AppendJsonItem(std::string& out, const engine::ResultItems& items, const engine::RowStore& rows, int item);

// {"plan": {...}} and {"summary": {...}}: the last objects of a --json run,
// each on one line with its line feed.
void AppendJsonPlan(std::string& out, const engine::RunPlan& plan);
// {"error": {"code": ..., "folder": ..., "text": ...}}: what ended a condition
// before its list was made, on one line with its line feed.
void AppendJsonError(std::string& out, std::string_view code, std::string_view folder, std::string_view text);
void AppendJsonSummary(std::string& out, const engine::RunSummary& summary);

// "orvel-cli: PATH: reason" of an item that failed or could not be read, the
// path escaped as in the text output, the reason in the run's language; false
// (and nothing) for any other item.
bool AppendFailureLine(std::string& out, const engine::ResultItems& items, const engine::RowStore& rows, int item,
                       Language language);

}  // namespace orvel::cli
