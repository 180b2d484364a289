#include "output.h"

#include "engine/conflict_reason.h"
#include "engine/marks.h"
#include "platform/utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

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

void AppendRfc3339Time(std::string& out, const platform::FileTime& time) {
  // Whole days and the second of the day, rounded down, so that times before
  // 1970 fall on the right day.
  std::int64_t days = time.sec / 86400;
  std::int64_t second = time.sec % 86400;
  if (second < 0) {
    second += 86400;
    --days;
  }
  // The proleptic Gregorian date of a day count (H. Hinnant's civil_from_days),
  // exact over the whole range of the count; gmtime would be bound to time_t
  // and to years that fit an int.
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 = March
  const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

  char text[80];
  // RFC 3339 has four-digit years only; others get ISO 8601's expanded form.
  const char* sign = year < 0 ? "-" : year > 9999 ? "+" : "";
  if (year < 0) year = -year;
  const int length = std::snprintf(text, sizeof text, "%s%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%09dZ", sign,
                                   static_cast<long long>(year), static_cast<long long>(month),
                                   static_cast<long long>(day), static_cast<long long>(second / 3600),
                                   static_cast<long long>(second / 60 % 60), static_cast<long long>(second % 60),
                                   static_cast<int>(time.nsec));
  out.append(text, static_cast<std::size_t>(length));
}

void AppendTextItem(std::string& out, const engine::ResultItems& items, int item) {
  for (int column = 0; column < engine::ResultItems::kColumnCount; ++column) {
    if (column > 0) out += '\t';
    AppendEscapedText(out, items.ItemText(item, column));
  }
  out += '\n';
}

namespace {

void AppendJsonTime(std::string& out, bool exists, const platform::FileTime& time) {
  if (!exists) {
    out += "null";
    return;
  }
  out += '"';
  AppendRfc3339Time(out, time);
  out += '"';
}

}  // namespace

void AppendJsonItem(std::string& out, const engine::ResultItems& items, const engine::RowStore& rows, int item) {
  const engine::ResultRow& row = rows.Row(items.ItemData(item));
  out += "{\"name\":";
  AppendJsonString(out, rows.Name(row));
  out += ",\"base_folder\":";
  AppendJsonString(out, rows.BaseFolder(row));
  out += ",\"target_folder\":";
  AppendJsonString(out, rows.TargetFolder(row));
  out += ",\"base_date\":";
  AppendJsonString(out, items.ItemText(item, 1));
  out += ",\"target_date\":";
  AppendJsonString(out, items.ItemText(item, 3));
  // The times of the dates beside them: after a copy both sides show the source's.
  const engine::DateCopy copy = items.ItemDateCopy(item);
  const bool baseShowsTarget = copy == engine::DateCopy::TargetOverBase;
  const bool targetShowsBase = copy == engine::DateCopy::BaseOverTarget;
  out += ",\"base_mtime\":";
  AppendJsonTime(out, baseShowsTarget ? row.hasTarget : row.hasBase, baseShowsTarget ? row.targetTime : row.baseTime);
  out += ",\"target_mtime\":";
  AppendJsonTime(out, targetShowsBase ? row.hasBase : row.hasTarget, targetShowsBase ? row.baseTime : row.targetTime);
  out += ",\"result\":";
  AppendJsonString(out, items.ItemText(item, 2));
  out += ",\"mark\":";
  AppendJsonString(out, engine::MarkText(row.mark));
  if (const engine::RowError* error = items.ItemError(item)) {
    // A conflict's reason is why it stopped, not a failure.
    out += engine::IsConflict(error->code) ? ",\"reason\":" : ",\"error\":";
    AppendJsonString(out, error->code.message());
  }
  out += "}\n";
}

bool AppendFailureLine(std::string& out, const engine::ResultItems& items, const engine::RowStore& rows, int item,
                       Language language) {
  const engine::RowError* error = items.ItemError(item);
  if (!error) return false;
  const engine::ResultRow& row = rows.Row(items.ItemData(item));
  std::string path = error->side == engine::Side::Base ? rows.BaseFolder(row) : rows.TargetFolder(row);
  path.append(rows.Name(row));
  out += "orvel-cli: ";
  AppendEscapedText(out, path);
  out += ": ";
  AppendEscapedText(out, WordedReason(language, error->code));
  out += '\n';
  return true;
}

namespace {

void AppendCopies(std::string& out, std::string_view key, const engine::CopyFigures& copies) {
  out += '"';
  out += key;
  out += "\": {\"entries\": " + std::to_string(copies.entries) + ", \"bytes\": " + std::to_string(copies.bytes) + "}";
}

void AppendDeletions(std::string& out, std::string_view key, const engine::DeletionFigures& deletions) {
  out += '"';
  out += key;
  out += "\": {\"to_trash\": " + std::to_string(deletions.toTrash) +
         ", \"for_good\": " + std::to_string(deletions.forGood) + "}";
}

// The four directions of a plan or a summary, under the keys `verb`_to_target,
// `verb`_to_base, `removal`_in_target and `removal`_in_base.
template <typename Figures>
void AppendDirections(std::string& out, std::string_view verb, std::string_view removal, const Figures& figures) {
  const std::string copy(verb);
  const std::string gone(removal);
  AppendCopies(out, copy + "_to_target", figures.toTarget);
  out += ", ";
  AppendCopies(out, copy + "_to_base", figures.toBase);
  out += ", ";
  AppendDeletions(out, gone + "_in_target", figures.inTarget);
  out += ", ";
  AppendDeletions(out, gone + "_in_base", figures.inBase);
}

}  // namespace

void AppendJsonPlan(std::string& out, const engine::RunPlan& plan) {
  out += "{\"plan\": {";
  AppendDirections(out, "copy", "delete", plan);
  if (plan.timesSet > 0) out += ", \"times_set\": " + std::to_string(plan.timesSet);
  out += ", \"conflicts\": " + std::to_string(plan.conflicts) + ", \"failures\": " + std::to_string(plan.failures) +
         ", \"conditions\": " + std::to_string(plan.conditions) + "}}\n";
}

void AppendJsonError(std::string& out, std::string_view code, std::string_view folder, std::string_view text) {
  out += "{\"error\": {\"code\": ";
  AppendJsonString(out, code);
  out += ", \"folder\": ";
  AppendJsonString(out, folder);
  out += ", \"text\": ";
  AppendJsonString(out, text);
  out += "}}\n";
}

void AppendJsonSummary(std::string& out, const engine::RunSummary& summary) {
  const char* kind = summary.kind == engine::RunKind::SyncRun ? "sync" : summary.kind == engine::RunKind::ListCreation ? "list" : "rows";
  out += "{\"summary\": {\"run\": \"";
  out += kind;
  out += "\", \"cancelled\": ";
  out += summary.cancelled ? "true" : "false";
  out += ", \"rows\": " + std::to_string(summary.rows) + ", ";
  AppendDirections(out, "copied", "deleted", summary);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(summary.elapsed.count()) / 1000);
  out += ", \"leftovers_removed\": " + std::to_string(summary.leftoversRemoved);
  if (summary.timesSet > 0) out += ", \"times_set\": " + std::to_string(summary.timesSet);
  out += ", \"conflicts\": " + std::to_string(summary.conflicts) + ", \"failures\": " +
         std::to_string(summary.failures) + ", \"seconds\": " + seconds + "}}\n";
}

}  // namespace orvel::cli
