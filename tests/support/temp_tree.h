#pragma once

#include "platform/file_time.h"

#include <optional>
#include <string>
#include <vector>

namespace orvel::test {

// A folder below the system's temp folder, removed with everything in it
// (read-only entries included) when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path, without a trailing separator.
  const std::string& Path() const { return path_; }
  // Path() + "/" + relative.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

platform::FileTime Time(std::int64_t sec, std::int32_t nsec = 0);

// One entry of a tree literal: a file with content, or a folder (no content).
struct TreeEntry {
  std::string path;  // relative, "/"-separated
  std::optional<std::string> content;
  platform::FileTime mtime;

  bool operator==(const TreeEntry&) const = default;
};

// Writes a file (creating missing parent folders) and sets its last-write time.
void WriteFile(const std::string& path, const std::string& content, platform::FileTime mtime);
void MakeFolder(const std::string& path, platform::FileTime mtime);
// A leftover of a killed run: WriteFile, then the mark that proves it the program's.
void WriteLeftover(const std::string& path, const std::string& content, platform::FileTime mtime);
std::string ReadFile(const std::string& path);
void SetTime(const std::string& path, platform::FileTime mtime);
platform::FileTime TimeOf(const std::string& path);
bool Exists(const std::string& path);
// The names in a folder, sorted: shows that no temporary file was left behind.
std::vector<std::string> FolderNames(const std::string& folder);
// st_mode of the entry itself (not followed).
unsigned ModeOf(const std::string& path);

// Writes every entry below root; folders' times are set after their contents.
void WriteTree(const std::string& root, const std::vector<TreeEntry>& entries);
// Reads the tree below root back, sorted by path (links read as files holding "->target";
// FIFOs, sockets and devices as files holding "<special>", never opened).
std::vector<TreeEntry> ReadTree(const std::string& root);

}  // namespace orvel::test
