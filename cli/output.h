#pragma once

#include "engine/result_items.h"
#include "engine/row_store.h"

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

// One line per item, in list order: the five columns separated by tabs.
bool WriteTextItems(std::FILE* file, const engine::ResultItems& items);

// One JSON object per item, in list order; an item that failed adds "error"
// with its reason.
bool WriteJsonItems(std::FILE* file, const engine::ResultItems& items, const engine::RowStore& rows);

// One line per item that failed or could not be read, in list order:
// "orvel-cli: PATH: reason", the path escaped as in the text output.
bool WriteFailures(std::FILE* file, const engine::ResultItems& items, const engine::RowStore& rows);

}  // namespace orvel::cli
