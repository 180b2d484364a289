#pragma once

#include "platform/error.h"

#include <cstddef>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvel::platform {

// Reads the listing of an open folder descriptor (not owned), in the order the
// file system returns the entries, "." and ".." skipped. getdents64 straight
// into a buffer: no stream object, no extra system calls per folder.
class DirectoryReader {
 public:
  enum class Type : unsigned char { Unknown, File, Directory };

  struct Entry {
    std::string_view name;  // valid until the next call of Next(); NUL-terminated
    Type type = Type::Unknown;
  };

  // Reads from the descriptor's position: the start, for a newly opened folder.
  // The buffer is the caller's, so one can serve a whole walk (an empty one is
  // given a size that takes many entries per call).
  DirectoryReader(int fd, std::vector<char>& buffer);
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;

  // The next entry; false at the end of the listing or on a read error.
  bool Next(Entry& entry);
  // Set when the listing ended with a read error instead of its normal end.
  const std::error_code& Error() const { return error_; }

 private:
  int fd_;
  std::vector<char>& buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool done_ = false;
  std::error_code error_;
};

// Whether an open folder holds no entry besides "." and "..". A folder that
// cannot be listed is an error, never "empty".
Expected<bool> IsEmptyFolder(int fd);

}  // namespace orvel::platform
