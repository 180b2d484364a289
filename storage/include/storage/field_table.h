#pragma once

#include "engine/condition.h"

#include <array>
#include <string>
#include <string_view>

namespace orvel::storage {

// The options that belong to no condition.
struct GlobalOptions {
  int DblClk = 1;        // what a double click on a row does: 0 update it, 1 properties, 2 external tool
  int ConfDlg = 1;       // ask before a sync run
  std::string ExeName1;  // the external tool's name …
  std::string ExePath1;  // … and path

  friend bool operator==(const GlobalOptions&, const GlobalOptions&) = default;
};

// One stored value: its settings key, its two-digit code in condition files (0:
// not in condition files), where it lives, and its default when the settings
// lack it. Exactly one of the four members is set. A field added after the
// first fourteen codes is written only when it is not zero, so that files
// without it stay byte for byte what older programs wrote.
struct Field {
  std::string_view key;
  int fileCode = 0;
  int engine::ConditionFields::*number = nullptr;
  std::string engine::ConditionFields::*text = nullptr;
  int GlobalOptions::*globalNumber = nullptr;
  std::string GlobalOptions::*globalText = nullptr;
  int defaultNumber = 0;
  std::string_view defaultText;
  bool writtenWhenSet = false;  // condition files: the line only when the number is not 0

  constexpr bool IsText() const { return text || globalText; }
  constexpr bool InConditionFiles() const { return fileCode != 0; }
};

namespace field_table {
using C = engine::ConditionFields;
using G = GlobalOptions;
// Settings default for folders: the file-system root.
inline constexpr std::string_view kRoot = "/";
}  // namespace field_table

// Every stored value, in the order the settings are written and condition files
// list them (condition files by code).
inline constexpr std::array<Field, 19> kFields = {{
    {"AFolder", 1, nullptr, &field_table::C::AFolder, nullptr, nullptr, 0, field_table::kRoot},
    {"BFolder", 2, nullptr, &field_table::C::BFolder, nullptr, nullptr, 0, field_table::kRoot},
    {"SubFolder", 3, &field_table::C::SubFolder, nullptr, nullptr, nullptr, 0, {}},
    {"SameDisp", 4, &field_table::C::SameDisp, nullptr, nullptr, nullptr, 1, {}},
    {"DblClk", 0, nullptr, nullptr, &field_table::G::DblClk, nullptr, 1, {}},
    {"ConfDlg", 0, nullptr, nullptr, &field_table::G::ConfDlg, nullptr, 1, {}},
    {"ExeName1", 0, nullptr, nullptr, nullptr, &field_table::G::ExeName1, 0, {}},
    {"ExePath1", 0, nullptr, nullptr, nullptr, &field_table::G::ExePath1, 0, {}},
    {"ChkExt", 5, &field_table::C::ChkExt, nullptr, nullptr, nullptr, 0, {}},
    {"Ext", 6, nullptr, &field_table::C::Ext, nullptr, nullptr, 0, {}},
    {"ChkNoExt", 8, &field_table::C::ChkNoExt, nullptr, nullptr, nullptr, 0, {}},
    {"NoExt", 9, nullptr, &field_table::C::NoExt, nullptr, nullptr, 0, {}},
    {"Complete", 7, &field_table::C::Complete, nullptr, nullptr, nullptr, 0, {}},
    {"DiffTime", 10, &field_table::C::DiffTime, nullptr, nullptr, nullptr, 0, {}},
    {"DiffSel", 11, &field_table::C::DiffSel, nullptr, nullptr, nullptr, 0, {}},
    {"EmptyFolder", 12, &field_table::C::EmptyFolder, nullptr, nullptr, nullptr, 0, {}},
    {"RecyclerFolder", 13, &field_table::C::RecyclerFolder, nullptr, nullptr, nullptr, 1, {}},
    {"DeleteTrash", 14, &field_table::C::DeleteTrash, nullptr, nullptr, nullptr, 0, {}},
    {"Memory", 15, &field_table::C::Memory, nullptr, nullptr, nullptr, 0, {}, true},
}};

// The fields condition files hold, ordered by their code (1 … 15).
inline constexpr std::array<Field, 15> kFileFields = [] {
  std::array<Field, 15> fields{};
  for (const Field& field : kFields) {
    if (field.InConditionFiles()) fields[static_cast<std::size_t>(field.fileCode - 1)] = field;
  }
  return fields;
}();

// The codes of the first layout, which names no field after DeleteTrash.
inline constexpr int kLegacyFieldCount = 14;

// The place of a field in a record; null where the record does not hold it.
inline int* NumberIn(const Field& field, engine::ConditionFields& c) { return field.number ? &(c.*field.number) : nullptr; }
inline std::string* TextIn(const Field& field, engine::ConditionFields& c) {
  return field.text ? &(c.*field.text) : nullptr;
}
inline const int* NumberIn(const Field& field, const engine::ConditionFields& c) {
  return field.number ? &(c.*field.number) : nullptr;
}
inline const std::string* TextIn(const Field& field, const engine::ConditionFields& c) {
  return field.text ? &(c.*field.text) : nullptr;
}

// Sets every condition field of a record to the value a new condition starts
// with: empty texts and 0.
void ClearConditionFields(engine::ConditionFields& fields);

}  // namespace orvel::storage
