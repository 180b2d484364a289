#include "condition_input.h"

#include "output.h"

#include "storage/condition_file.h"

#include <cstring>

namespace orvel::cli {

namespace {

std::string Reason(const storage::LoadResult& result) {
  switch (result.error) {
    case storage::LoadError::None:
      break;
    case storage::LoadError::NotAFile:
      // Opening a folder succeeds on Linux; it would load as an empty legacy file.
      if (result.errorNumber != 0) return std::strerror(result.errorNumber);
      return "not a regular file";
    case storage::LoadError::TooLarge:
      return "larger than " + std::to_string(storage::kMaxConditionFileSize >> 20) + " MiB";
    case storage::LoadError::CannotOpen:
    case storage::LoadError::ReadFailed:
      return std::strerror(result.errorNumber);
  }
  return {};
}

}  // namespace

bool LoadConditionInput(const std::string& path, storage::CConditionSet& set, std::string& error) {
  const storage::LoadResult result = storage::LoadConditionFile(path, set);
  if (result) return true;
  // The path goes to a terminal or a mail from cron: no control bytes of it.
  error = "cannot read condition file '";
  AppendEscapedText(error, path);
  error += "': " + Reason(result);
  return false;
}

}  // namespace orvel::cli
