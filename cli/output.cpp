#include "output.h"

#include "engine/marks.h"
#include "platform/utf8.h"

#include <cstddef>

namespace orvel::cli {

namespace {

constexpr std::size_t kFlushSize = 1 << 20;
constexpr char kHex[] = "0123456789abcdef";

void AppendUnicodeEscape(std::string& out, unsigned value) {
  out += "\\u";
  out += kHex[(value >> 12) & 0xF];
  out += kHex[(value >> 8) & 0xF];
  out += kHex[(value >> 4) & 0xF];
  out += kHex[value & 0xF];
}

// The escapes both output formats share; nullptr for any other byte.
const char* CommonEscape(char c) {
  switch (c) {
    case '\\':
      return "\\\\";
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    default:
      return nullptr;
  }
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (const char* escape = CommonEscape(c)) {
      out += escape;
    } else if (byte < 0x20 || byte == 0x7F) {
      // A name is anybody's: ESC and the other controls must not reach the
      // terminal as such.
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = platform::Utf8SequenceLength(text, i);
      if (length == 0) {
        AppendUnicodeEscape(out, 0xDC00u | c);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    if (const char* escape = CommonEscape(static_cast<char>(c))) {
      out += escape;
      ++i;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {  // DEL too: no byte of a name drives a terminal
          AppendUnicodeEscape(out, c);
        } else {
          out += static_cast<char>(c);
        }
        break;
    }
    ++i;
  }
  out += '"';
}

void OutputBuffer::Write() {
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

void OutputBuffer::MaybeFlush() {
  if (buffer_.size() >= kFlushSize) Write();
}

bool OutputBuffer::Finish() {
  Write();
  if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
  return !failed_;
}

bool WriteTextItems(std::FILE* file, const engine::ResultItems& items) {
  OutputBuffer out(file);
  std::string& text = out.Text();
  const int count = items.ItemCount();
  for (int item = 0; item < count; ++item) {
    for (int column = 0; column < engine::ResultItems::kColumnCount; ++column) {
      if (column > 0) text += '\t';
      AppendEscapedText(text, items.ItemText(item, column));
    }
    text += '\n';
    out.MaybeFlush();
  }
  return out.Finish();
}

bool WriteJsonItems(std::FILE* file, const engine::ResultItems& items, const engine::RowStore& rows) {
  OutputBuffer out(file);
  std::string& text = out.Text();
  const int count = items.ItemCount();
  for (int item = 0; item < count; ++item) {
    const engine::ResultRow& row = rows.Row(items.ItemData(item));
    text += "{\"name\":";
    AppendJsonString(text, rows.Name(row));
    text += ",\"base_folder\":";
    AppendJsonString(text, rows.BaseFolder(row));
    text += ",\"target_folder\":";
    AppendJsonString(text, rows.TargetFolder(row));
    text += ",\"base_date\":";
    AppendJsonString(text, items.ItemText(item, 1));
    text += ",\"target_date\":";
    AppendJsonString(text, items.ItemText(item, 3));
    text += ",\"result\":";
    AppendJsonString(text, items.ItemText(item, 2));
    text += ",\"mark\":";
    AppendJsonString(text, engine::MarkText(row.mark));
    if (const engine::RowError* error = items.ItemError(item)) {
      text += ",\"error\":";
      AppendJsonString(text, error->code.message());
    }
    text += "}\n";
    out.MaybeFlush();
  }
  return out.Finish();
}

bool WriteFailures(std::FILE* file, const engine::ResultItems& items, const engine::RowStore& rows) {
  OutputBuffer out(file);
  std::string& text = out.Text();
  const int count = items.ItemCount();
  for (int item = 0; item < count; ++item) {
    const engine::RowError* error = items.ItemError(item);
    if (!error) continue;
    const engine::ResultRow& row = rows.Row(items.ItemData(item));
    std::string path = error->side == engine::Side::Base ? rows.BaseFolder(row) : rows.TargetFolder(row);
    path.append(rows.Name(row));
    text += "orvel-cli: ";
    AppendEscapedText(text, path);
    text += ": ";
    AppendEscapedText(text, error->code.message());
    text += '\n';
    out.MaybeFlush();
  }
  return out.Finish();
}

}  // namespace orvel::cli
