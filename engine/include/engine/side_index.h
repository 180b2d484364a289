#pragma once

#include "platform/entry_info.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

// What the scan of one side saw: every entry of every folder it listed, with
// kind and last-write time, so that the comparison can answer its look-ups
// without asking the file system again. Folders the scan did not list in full
// (not descended, skipped, unreadable, cancelled) are looked up by path.
class SideIndex {
 public:
  using FolderId = std::uint32_t;
  using EntryId = std::uint32_t;
  static constexpr FolderId kNoFolder = UINT32_MAX;           // not listed: ask the file system
  static constexpr FolderId kMissingFolder = UINT32_MAX - 1;  // the scan saw that it does not exist

  void Reset(std::string root);
  const std::string& Root() const { return root_; }

  // relFolder is empty for the root, otherwise it ends in the separator.
  FolderId AddFolder(std::string_view relFolder);
  void MarkComplete(FolderId folder);
  EntryId AddEntry(FolderId folder, std::string_view name, const platform::EntryInfo& info);

  FolderId FindFolder(std::string_view relFolder) const;
  // FindFolder, or kMissingFolder when a listed ancestor shows that the folder
  // is not there (so nothing below it needs a look-up by path).
  FolderId ResolveFolder(std::string_view relFolder) const;
  std::string_view FolderPath(FolderId folder) const { return folders_[folder].path; }
  FolderId EntryFolder(EntryId entry) const { return entries_[entry].folder; }
  std::string_view EntryName(EntryId entry) const;
  platform::EntryInfo EntryInfoOf(EntryId entry) const { return entries_[entry].Info(); }
  std::size_t EntryCount() const { return entries_.size(); }

  // Look-up of root + relFolder + name: from the scan where it listed the folder
  // in full, otherwise from the file system.
  platform::EntryInfo LookUp(std::string_view relFolder, std::string_view name) const;
  // The same with the folder already resolved.
  platform::EntryInfo LookUp(FolderId folder, std::string_view relFolder, std::string_view name) const;

 private:
  struct Folder {
    std::string path;
    bool complete = false;
  };
  // 24 bytes an entry: a large tree is held twice, once per side.
  struct Entry {
    static constexpr std::uint32_t kExists = 1u << 30;
    static constexpr std::uint32_t kDirectory = 1u << 31;
    std::int64_t sec;
    std::uint32_t nsecAndFlags;  // nanoseconds in the low 30 bits
    FolderId folder;
    std::uint32_t nameOffset;
    std::uint32_t nameLength;
    platform::EntryInfo Info() const {
      return {(nsecAndFlags & kExists) != 0,
              (nsecAndFlags & kDirectory) != 0,
              {sec, static_cast<std::int32_t>(nsecAndFlags & (kExists - 1))}};
    }
  };
  struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  static std::size_t HashOf(FolderId folder, std::string_view name);
  EntryId Find(FolderId folder, std::string_view name) const;
  void Grow();

  std::string root_;
  std::vector<Folder> folders_;
  std::unordered_map<std::string, FolderId, TransparentHash, std::equal_to<>> folderIds_;
  std::vector<Entry> entries_;
  std::string names_;                 // all entry names, back to back
  std::vector<std::uint32_t> slots_;  // open addressing: entry id + 1, 0 empty
};

}  // namespace orvel::engine
