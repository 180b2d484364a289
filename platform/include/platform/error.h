#pragma once

#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

namespace orvel::platform {

// Reasons of our own, beside the system's error numbers.
enum class Fault {
  ChangedSinceList = 1,  // an entry is no longer as the list showed it
  ReadOnly,              // no write permission bit: never overwritten or deleted
  LinkInPath,            // a link stands where a folder was expected
  SpecialFile,           // a FIFO, socket or device: never opened
  FolderReplaced,        // another folder (or a mount) stands where the list saw one
  OtherRoot,             // the other folder of the pair lies here
  Busy,                  // another run is working on the folder
  NulInPath,             // a path holds a NUL byte and cannot reach the system
};

const std::error_category& FaultCategory();

inline std::error_code MakeError(Fault fault) { return {static_cast<int>(fault), FaultCategory()}; }
inline std::error_code SystemError(int number) { return {number, std::system_category()}; }
// errno of the call that just failed.
inline std::error_code LastError() { return SystemError(errno); }

// "Does not exist" is the only failure that means absence; every other failure
// is an error of the entry or folder.
inline bool IsAbsence(const std::error_code& error) {
  return error.category() == std::system_category() && (error.value() == ENOENT || error.value() == ENOTDIR);
}

// A value or the error that kept it from being made.
template <typename T>
class Expected {
 public:
  Expected(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Expected(std::error_code error) : error_(error) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const std::error_code& error() const { return error_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  std::error_code error_;
};

}  // namespace orvel::platform
