#include "output.h"

#include "engine/marks.h"

#include <cstddef>

namespace orvel::cli {

namespace {

constexpr std::size_t kFlushSize = 1 << 20;
constexpr char kHex[] = "0123456789abcdef";

// Length of the valid UTF-8 sequence at text[i], or 0 when the byte there does
// not begin one (overlong forms, surrogates and values above U+10FFFF are not
// valid).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b0 = byte(i);
  std::size_t length = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  const unsigned char b1 = byte(i + 1);
  if (b1 < lo || b1 > hi) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

void AppendUnicodeEscape(std::string& out, unsigned value) {
  out += "\\u";
  out += kHex[(value >> 12) & 0xF];
  out += kHex[(value >> 8) & 0xF];
  out += kHex[(value >> 4) & 0xF];
  out += kHex[value & 0xF];
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
        break;
    }
  }
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        AppendUnicodeEscape(out, 0xDC00u | c);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
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
    text += "}\n";
    out.MaybeFlush();
  }
  return out.Finish();
}

}  // namespace orvel::cli
