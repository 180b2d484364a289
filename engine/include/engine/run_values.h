#pragma once

#include "engine/condition.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvel::engine {

// What a run derives from a condition before scanning it. Lives only for the
// processing of that condition; never written back.
struct RunValues {
  std::string aFolder;  // ends in the separator
  std::string bFolder;  // ends in the separator
  std::string ext;      // upper-cased, trimmed, wrapped in one blank each side
  std::string noExt;
  bool chkExt = false;
  bool chkNoExt = false;
  bool subFolder = true;
  bool sameDisp = true;
  bool complete = false;
  bool emptyFolder = false;
  bool recyclerFolder = true;
  bool memory = false;  // the last sync is remembered (normal mode only: complete sync mirrors anyway)
  std::int64_t toleranceSeconds = 0;  // never negative
};

RunValues DeriveRunValues(const CCondition& condition);

// Upper-cases character by character with Unicode's simple upper-case mapping
// (platform::UpperCaseUtf8). Bytes that are not valid UTF-8 stay as they are.
std::string UpperCase(std::string_view text);

// The normalised form of an extension list: upper-cased, blanks and tabs trimmed,
// wrapped in one blank on each side.
std::string NormaliseExtensionList(std::string_view list);

// Tolerance in seconds of an amount and a unit index (0 s, 1 min, 2 h, 3 days;
// any other unit gives 0). A negative amount counts as 0.
std::int64_t ToleranceSeconds(int diffTime, int diffSel);

// Whether a file of this name takes part under the extension options.
bool ExtensionTest(const RunValues& values, std::string_view fileName);

}  // namespace orvel::engine
