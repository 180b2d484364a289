#pragma once

#include "storage/condition_set.h"

#include <string>
#include <string_view>

namespace orvel::storage {

// The version number the program writes on the first line of a condition file.
inline constexpr int kConditionFileVersion = 171;
// Files whose first line reads as a smaller number are in the legacy layout.
inline constexpr int kFirstCodedVersion = 169;

// The first line's decimal value; 0 when the file cannot be opened.
int ReadFileVersion(const std::string& path);

// Replaces the set with the file's conditions; false (set unchanged) when the
// file cannot be opened. Files that are not valid UTF-8 are read as CP932.
bool LoadConditionFile(const std::string& path, CConditionSet& set);

// The same, from the file's bytes; `path` only names a legacy file's condition.
void ParseConditionFile(std::string_view bytes, const std::string& path, CConditionSet& set);

// The file's text: UTF-8, CR LF line ends.
std::string FormatConditionFile(const CConditionSet& set);

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
