#pragma once

#include "platform/entry_info.h"
#include "platform/folder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

// What the scan of one side saw: every entry of every folder it listed, with
// kind and last-write time, so that the comparison can answer its look-ups
// without asking the file system again. A folder the scan could not list keeps
// the reason, and everything below it reads as that error, never as absent.
// Folders the scan did not list in full (not descended, cancelled) are looked up
// through the root folder's descriptor.
class SideIndex {
 public:
  using FolderId = std::uint32_t;
  using EntryId = std::uint32_t;
  static constexpr FolderId kNoFolder = UINT32_MAX;           // not listed: ask the file system
  static constexpr FolderId kMissingFolder = UINT32_MAX - 1;  // the scan saw that it does not exist

  // What a look-up found, and where a failure comes from: the entry itself (the
  // scan listed it and could not read it), a folder above it that the scan
  // could not read or must not enter, or a look-up through the file system.
  struct Found {
    enum class Origin : unsigned char { Entry, Folder, FileSystem };
    platform::EntryInfo info;
    Origin origin = Origin::Entry;
  };

  // root: the root folder's path, ending in the separator; rootFolder: its open
  // descriptor (may be null: then nothing outside the scan can be looked up).
  void Reset(std::string root, const platform::Folder* rootFolder = nullptr);
  const std::string& Root() const { return root_; }

  // relFolder is empty for the root, otherwise it ends in the separator.
  FolderId AddFolder(std::string_view relFolder, const platform::Identity& identity = {});
  void MarkComplete(FolderId folder);
  // The folder could not be listed (or not in full): look-ups below it fail.
  void MarkFailed(FolderId folder, std::error_code error);
  // The folder is the other tree's root: never scanned, nothing below it compared.
  void MarkOtherRoot(FolderId folder);
  EntryId AddEntry(FolderId folder, std::string_view name, const platform::EntryInfo& info);
  // An entry listed as it was turns out unreadable (a folder that cannot be listed).
  void SetEntryError(EntryId entry, std::error_code error);

  FolderId FindFolder(std::string_view relFolder) const;
  // FindFolder, or kMissingFolder when a listed ancestor shows that the folder
  // is not there, or the nearest failed ancestor.
  FolderId ResolveFolder(std::string_view relFolder) const;
  std::string_view FolderPath(FolderId folder) const { return folders_[folder].path; }
  const platform::Identity& FolderIdentity(FolderId folder) const { return folders_[folder].identity; }
  FolderId EntryFolder(EntryId entry) const { return entries_[entry].folder; }
  std::string_view EntryName(EntryId entry) const;
  platform::EntryInfo EntryInfoOf(EntryId entry) const;
  std::size_t EntryCount() const { return entries_.size(); }

  // Look-up of root + relFolder + name: from the scan where it listed the folder
  // in full, otherwise through the root folder.
  Found LookUp(std::string_view relFolder, std::string_view name) const;
  // The same with the folder already resolved.
  Found LookUp(FolderId folder, std::string_view relFolder, std::string_view name) const;

 private:
  struct Folder {
    std::string path;
    platform::Identity identity;
    std::error_code error;
    bool complete = false;
    bool otherRoot = false;
  };
  // 24 bytes an entry: a large tree is held twice, once per side.
  struct Entry {
    static constexpr std::uint16_t kExists = 1;
    static constexpr std::uint16_t kDirectory = 2;
    static constexpr std::uint16_t kFailed = 4;  // the reason is in entryErrors_
    std::int64_t sec;
    std::int32_t nsec;
    FolderId folder;
    std::uint32_t nameOffset;
    std::uint16_t nameLength;
    std::uint16_t flags;
  };

  struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  static std::size_t HashOf(FolderId folder, std::string_view name);
  EntryId Find(FolderId folder, std::string_view name) const;
  Found FromFileSystem(std::string_view relFolder, std::string_view name) const;
  void Grow();

  std::string root_;
  const platform::Folder* rootFolder_ = nullptr;
  std::vector<Folder> folders_;
  std::unordered_map<std::string, FolderId, TransparentHash, std::equal_to<>> folderIds_;
  std::vector<Entry> entries_;
  std::unordered_map<EntryId, std::error_code> entryErrors_;
  std::string names_;                 // all entry names, back to back
  std::vector<std::uint32_t> slots_;  // open addressing: entry id + 1, 0 empty
};

}  // namespace orvel::engine
