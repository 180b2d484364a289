#pragma once

#include "storage/condition_set.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace orvel::storage {

// The version number the program writes on the first line of a condition file.
inline constexpr int kConditionFileVersion = 171;
// Files whose first line reads as a smaller number are in the legacy layout.
inline constexpr int kFirstCodedVersion = 169;

// Larger files are refused: a condition file is a few kilobytes, and whoever
// can write the file must not make the program take gigabytes to read it.
inline constexpr std::size_t kMaxConditionFileSize = std::size_t{16} << 20;

enum class LoadError {
  None,
  CannotOpen,  // missing, no permission, ...: errorNumber says which
  NotAFile,    // a folder (errorNumber EISDIR), FIFO, socket or device
  TooLarge,    // more than kMaxConditionFileSize bytes
  ReadFailed,  // reading stopped with errorNumber; nothing is loaded
};

struct LoadResult {
  LoadError error = LoadError::None;
  int errorNumber = 0;
  explicit operator bool() const { return error == LoadError::None; }
};

// Replaces the set with the file's conditions; when the file cannot be read
// the set is unchanged and the result says why. Only regular files are read,
// and the file is checked and read through one descriptor, so a FIFO never
// blocks and a file swapped after the check is not read. Files that are not
// valid UTF-8 are read as CP932.
LoadResult LoadConditionFile(const std::string& path, CConditionSet& set);

// The same, from the file's bytes; `path` only names a legacy file's condition.
// Each line ends at its first NUL byte, as in the older program's reader.
void ParseConditionFile(std::string_view bytes, const std::string& path, CConditionSet& set);

// The file's text: UTF-8, CR LF line ends.
std::string FormatConditionFile(const CConditionSet& set);
// The same in parts, for writing a large set piece by piece: the version line,
// then the lines of each condition.
void AppendVersionLine(std::string& out);
void AppendConditionLines(std::string& out, const CCondition& condition);

enum class SaveError {
  None,
  LineBreakInValue,  // a value holds a line break and would load differently
  WriteFailed,       // the file could not be written; the previous file is intact
};

struct SaveResult {
  SaveError error = SaveError::None;
  int errorNumber = 0;  // errno for WriteFailed
  std::string detail;   // the condition name or the system's error text
  explicit operator bool() const { return error == SaveError::None; }
};

// Writes the set to a temporary file beside path and renames it over path, so a
// failed save never destroys the previous file.
SaveResult SaveConditionFile(const std::string& path, const CConditionSet& set);

}  // namespace orvel::storage
