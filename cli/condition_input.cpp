#include "condition_input.h"

#include "output.h"

#include "storage/condition_file.h"

#include "platform/error.h"

namespace orvel::cli {

namespace {

std::string Reason(const storage::LoadResult& result, Language language) {
  switch (result.error) {
    case storage::LoadError::None:
      break;
    case storage::LoadError::NotAFile:
      // Opening a folder succeeds on Linux; it would load as an empty legacy file.
      if (result.errorNumber != 0) return WordedReason(language, platform::SystemError(result.errorNumber));
      return CliTextOf(language, CliText::NotARegularFile);
    case storage::LoadError::TooLarge:
      return CliTextOf(language, CliText::LargerThan, {std::to_string(storage::kMaxConditionFileSize >> 20)});
    case storage::LoadError::CannotOpen:
    case storage::LoadError::ReadFailed:
      return WordedReason(language, platform::SystemError(result.errorNumber));
  }
  return {};
}

}  // namespace

bool LoadConditionInput(const std::string& path, storage::CConditionSet& set, Language language, std::string& error) {
  const storage::LoadResult result = storage::LoadConditionFile(path, set);
  if (result) return true;
  // The path goes to a terminal or a mail from cron: no control bytes of it.
  std::string shown;
  AppendEscapedText(shown, path);
  error = CliTextOf(language, CliText::ConditionFileUnreadable, {shown, Reason(result, language)});
  return false;
}

}  // namespace orvel::cli
