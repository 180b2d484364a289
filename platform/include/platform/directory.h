#pragma once

#include "platform/entry_info.h"

#include <string>
#include <string_view>

namespace orvel::platform {

// An open directory that lists its entries in the order the file system returns
// them, "." and ".." skipped. Children are opened and looked up relative to the
// directory's descriptor, so deep trees and long paths cost no full-path walks.
class Directory {
 public:
  enum class Type { Unknown, File, Directory };

  struct Entry {
    std::string_view name;      // valid until the next call of Next()
    Type type = Type::Unknown;  // from the listing; Unknown when it does not say
    bool hidden = false;        // the name begins with "."
  };

  Directory() = default;
  Directory(Directory&& other) noexcept;
  Directory& operator=(Directory&& other) noexcept;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  ~Directory();

  // Opens a folder by path, following symbolic links (root folders may be links).
  bool Open(const std::string& path);
  // Opens the child folder `name` of an open directory; never follows a link.
  bool OpenChild(const Directory& parent, std::string_view name);

  bool IsOpen() const { return fd_ >= 0; }

  // Next entry; false at the end of the listing or on a read error (see Failed()).
  bool Next(Entry& entry);
  // True when the listing ended with a read error instead of its normal end.
  bool Failed() const { return failed_; }

  // lstat of a child relative to this directory's descriptor.
  EntryInfo LookUpChild(std::string_view name) const;

  // True when the folder holds no entry besides "." and ".."; a folder that
  // cannot be listed counts as empty.
  static bool IsEmpty(const std::string& path);
  // The same for the child folder `name` of an open directory.
  bool IsChildEmpty(std::string_view name) const;

  void Close();

 private:
  bool Adopt(int fd);

  int fd_ = -1;
  void* dir_ = nullptr;  // DIR*
  bool failed_ = false;
};

}  // namespace orvel::platform
