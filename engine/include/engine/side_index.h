#pragma once

#include "engine/chunked_store.h"
#include "platform/entry_info.h"
#include "platform/folder.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvel::engine {

class IFarRoot;

// What the scan of one side saw: every entry of every folder it listed, with
// kind and last-write time, so that the comparison can answer its look-ups
// without asking the file system again. A folder the scan could not list keeps
// the reason, and everything below it reads as that error, never as absent.
// Folders the scan did not list in full (not descended, cancelled) are looked up
// through the root folder's descriptor.
//
// A folder's entries are added together, one folder after another (the scan
// lists a folder before it enters any folder inside it), so each folder owns a
// contiguous run of entry ids and a look-up only ever searches its own folder.
// Folders are kept as parent and name: a deep tree costs memory in proportion
// to its depth, not to the square of it.
//
// Look-ups keep a small cache of per-folder tables: an index is read by one
// thread at a time.
class SideIndex {
 public:
  using FolderId = std::uint32_t;
  using EntryId = std::uint32_t;
  static constexpr FolderId kNoFolder = UINT32_MAX;           // not listed: ask the file system
  static constexpr FolderId kMissingFolder = UINT32_MAX - 1;  // the scan saw that it does not exist
  static constexpr EntryId kNoEntry = UINT32_MAX;

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
  // With keepExtras each entry keeps its size and stamp too (the remembered
  // sync needs them). Gives the memory of the previous scan back.
  void Reset(std::string root, const platform::Folder* rootFolder = nullptr, bool keepExtras = false);
  bool KeepsExtras() const { return keepExtras_; }
  // A root on another machine: look-ups outside the scan go there (until the next Reset).
  void UseFarRoot(IFarRoot* far) { far_ = far; }
  const std::string& Root() const { return root_; }

  // The folder `name` inside `parent` (kNoFolder: the root itself), added when new.
  FolderId AddChildFolder(FolderId parent, std::string_view name, const platform::Identity& identity = {});
  // The same by relative path (empty for the root, otherwise ending in the
  // separator); folders above it that are not there yet are added too.
  FolderId AddFolder(std::string_view relFolder, const platform::Identity& identity = {});
  void MarkComplete(FolderId folder);
  // The folder could not be listed (or not in full): look-ups below it fail.
  void MarkFailed(FolderId folder, std::error_code error);
  // The folder is the other tree's root: never scanned, nothing below it compared.
  void MarkOtherRoot(FolderId folder);
  // The file system the folder lies on (platform::FileSystemKeyOf); 0 unknown.
  void SetFolderFileSystem(FolderId folder, std::uint64_t key) { folders_[folder].fileSystem = key; }
  std::uint64_t FolderFileSystem(FolderId folder) const { return folders_[folder].fileSystem; }
  // Whether the folder was listed in full (not failed, not cut short).
  bool FolderComplete(FolderId folder) const { return folders_[folder].complete && !folders_[folder].error; }
  // The folder `name` inside `parent` as the scan registered it, or kNoFolder.
  FolderId FindChild(FolderId parent, std::string_view name) const;
  EntryId AddEntry(FolderId folder, std::string_view name, const platform::EntryInfo& info);
  // What a look-up of the entry found after the listing (a folder's own look-up
  // when it is opened); an absent one is no longer there.
  void SetEntryInfo(EntryId entry, const platform::EntryInfo& info);
  // An entry listed as it was turns out unreadable (a folder that cannot be listed).
  void SetEntryError(EntryId entry, std::error_code error);

  FolderId FindFolder(std::string_view relFolder) const;
  // FindFolder, or kMissingFolder when a listed ancestor shows that the folder
  // is not there, or the nearest failed ancestor.
  FolderId ResolveFolder(std::string_view relFolder) const;
  // One step of ResolveFolder: the folder `name` inside an already resolved
  // parent (which may be kNoFolder, kMissingFolder or a failed ancestor).
  FolderId ResolveChild(FolderId parent, std::string_view name) const;
  // What ResolveFolder("") gives: the root folder once the scan has begun.
  FolderId RootFolder() const { return folders_.empty() ? kNoFolder : 0; }

  // The relative path of a folder: empty for the root, otherwise ending in the separator.
  std::string FolderPath(FolderId folder) const;
  void AppendFolderPath(FolderId folder, std::string& out) const;
  FolderId FolderParent(FolderId folder) const { return folders_[folder].parent; }
  std::string_view FolderName(FolderId folder) const { return folders_[folder].name; }
  std::size_t FolderDepth(FolderId folder) const { return folders_[folder].depth; }
  const platform::Identity& FolderIdentity(FolderId folder) const { return folders_[folder].identity; }
  // How far the scan got with a folder, so that an index can be handed on whole.
  const std::error_code& FolderError(FolderId folder) const { return folders_[folder].error; }
  bool FolderIsOtherRoot(FolderId folder) const { return folders_[folder].otherRoot; }
  std::size_t FolderCount() const { return folders_.size(); }
  // The entries of a folder: ids first … first + count - 1, in listing order.
  EntryId FirstEntry(FolderId folder) const { return folders_[folder].first; }
  std::size_t FolderEntryCount(FolderId folder) const { return folders_[folder].count; }

  FolderId EntryFolder(EntryId entry) const;
  std::string_view EntryName(EntryId entry) const;
  platform::EntryInfo EntryInfoOf(EntryId entry) const;
  bool EntryIsDirectory(EntryId entry) const { return (entries_[entry].nsecFlags & Entry::kDirectory) != 0; }
  // The bytes of a listed file as the scan saw them; 0 for a folder.
  std::uint64_t EntrySize(EntryId entry) const { return sizes_[entry]; }
  std::size_t EntryCount() const { return entries_.size(); }
  // The entry `name` of a listed folder, or kNoEntry.
  EntryId FindEntry(FolderId folder, std::string_view name) const;

  // Look-up of root + relFolder + name: from the scan where it listed the folder
  // in full, otherwise through the root folder.
  Found LookUp(std::string_view relFolder, std::string_view name) const;
  // The same with the folder already resolved.
  Found LookUp(FolderId folder, std::string_view relFolder, std::string_view name) const;
  // What a look-up of a listed entry's own name finds, without searching for
  // it; relFolder is the path of its folder.
  Found LookUpEntry(EntryId entry, std::string_view relFolder) const;

  // The text of the link root + relFolder + name, read through the root
  // folder; empty when it cannot be read.
  std::string LinkText(std::string_view relFolder, std::string_view name) const;

  // Where the names live: a result row may read its name from here while the
  // index is in use, and take the store over afterwards (TakeNames).
  const NameStore& Names() const { return names_; }
  std::uint32_t EntryNameRef(EntryId entry) const { return entries_[entry].nameRef; }
  // Hands the names over and empties the index (as Reset does).
  NameStore TakeNames();

  std::size_t MemoryBytes() const;

 private:
  struct Folder {
    FolderId parent = kNoFolder;
    std::uint32_t depth = 0;  // 0 for the root
    EntryId first = 0;
    std::uint32_t count = 0;
    std::string name;  // in the parent folder
    platform::Identity identity;
    std::error_code error;
    std::uint64_t fileSystem = 0;
    bool complete = false;
    bool otherRoot = false;
  };
  // Kept beside each entry only for the remembered sync (the size is kept for all).
  struct Extra {
    static constexpr std::uint64_t kRegular = std::uint64_t{1} << 63;  // beside the stamp's 48 bits
    std::uint64_t stamp;
  };
  // 16 bytes an entry: a large tree is held twice, once per side.
  struct Entry {
    static constexpr std::uint32_t kNsecMask = (1u << 30) - 1;
    static constexpr std::uint32_t kDirectory = 1u << 30;
    static constexpr std::uint32_t kSpecial = 1u << 31;  // absent, failed or a link: see specials_
    std::int64_t sec;
    std::uint32_t nsecFlags;
    std::uint32_t nameRef;
  };
  // What an entry is beyond "there, as listed": absent, failed, or a link.
  struct Special {
    bool exists = false;
    std::error_code error;
    bool link = false;
  };
  struct ChildKey {
    FolderId parent;
    std::string_view name;
  };
  struct ChildHash {
    using is_transparent = void;
    std::size_t operator()(const std::pair<FolderId, std::string>& k) const { return Of(k.first, k.second); }
    std::size_t operator()(const ChildKey& k) const { return Of(k.parent, k.name); }
    static std::size_t Of(FolderId parent, std::string_view name) {
      return std::hash<std::string_view>{}(name) ^ (std::size_t{parent} * 0x9E3779B97F4A7C15ull);
    }
  };
  struct ChildEqual {
    using is_transparent = void;
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
      return Parent(a) == Parent(b) && Name(a) == Name(b);
    }
    static FolderId Parent(const std::pair<FolderId, std::string>& k) { return k.first; }
    static FolderId Parent(const ChildKey& k) { return k.parent; }
    static std::string_view Name(const std::pair<FolderId, std::string>& k) { return k.second; }
    static std::string_view Name(const ChildKey& k) { return k.name; }
  };
  // The open-addressing table of one folder's names, built when the folder is
  // first searched; a few are kept, as a pass goes back and forth between a
  // folder and the folders inside it.
  struct FolderTable {
    FolderId folder = kNoFolder;
    std::vector<std::uint32_t> slots;  // index in the folder + 1, 0 empty
    std::uint64_t lastUse = 0;
  };
  static constexpr std::size_t kTables = 4;
  static constexpr std::uint32_t kLinearSearch = 12;  // folders this small are searched entry by entry

  static std::uint64_t HashName(std::string_view name);
  const FolderTable& TableOf(FolderId folder) const;
  Found FromFileSystem(std::string_view relFolder, std::string_view name) const;

  std::string root_;
  const platform::Folder* rootFolder_ = nullptr;
  IFarRoot* far_ = nullptr;
  std::vector<Folder> folders_;
  std::unordered_map<std::pair<FolderId, std::string>, FolderId, ChildHash, ChildEqual> children_;
  // (first entry, folder) of each folder with entries, in entry order.
  std::vector<std::pair<EntryId, FolderId>> runs_;
  ChunkedVector<Entry> entries_;
  ChunkedVector<std::uint64_t> sizes_;  // per entry, apart: most look-ups need no size
  ChunkedVector<Extra> extras_;
  bool keepExtras_ = false;
  NameStore names_;
  std::unordered_map<EntryId, Special> specials_;
  mutable std::array<FolderTable, kTables> tables_;
  mutable std::uint64_t useClock_ = 0;
  mutable std::size_t lastRun_ = 0;
};

}  // namespace orvel::engine
