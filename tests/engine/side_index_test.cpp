// The scan's index: look-ups within a folder, folder resolution, and the
// storage that keeps a large tree compact.
#include "engine/folder_scan.h"
#include "engine/side_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvel::engine {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

platform::EntryInfo File(std::int64_t sec, std::int32_t nsec = 0) { return {true, false, {sec, nsec}, {}}; }
platform::EntryInfo Dir(std::int64_t sec) { return {true, true, {sec, 0}, {}}; }

// Names that differ only late, share lengths, or are long enough to cross
// the hash's eight-byte steps.
std::string NameOf(int folder, int i) {
  switch (i % 4) {
    case 0:
      return "f" + std::to_string(i);
    case 1:
      return std::string(static_cast<std::size_t>(8 + i % 5), 'x') + std::to_string(i) + "." + std::to_string(folder);
    case 2:
      return "名前 " + std::to_string(i);
    default:
      return std::string(1, static_cast<char>('a' + i % 26));
  }
}

// Every folder answers for its own entries only, whatever its size (small ones
// are searched entry by entry, large ones through a table) and however the
// look-ups jump between more folders than the tables kept.
TEST(SideIndexTest, LookUpsFindEachEntryInItsOwnFolder) {
  const std::vector<int> sizes{0, 1, 12, 13, 47, 300, 5, 2000};
  SideIndex index;
  index.Reset("/root/");
  const SideIndex::FolderId root = index.AddFolder("");
  std::vector<SideIndex::FolderId> folders;
  // The root's entries first, then each folder's, as a scan adds them.
  for (std::size_t f = 0; f < sizes.size(); ++f) index.AddEntry(root, "sub" + std::to_string(f), Dir(1));
  index.MarkComplete(root);
  for (std::size_t f = 0; f < sizes.size(); ++f) {
    const SideIndex::FolderId folder = index.AddChildFolder(root, "sub" + std::to_string(f));
    folders.push_back(folder);
    for (int i = 0; i < sizes[f]; ++i) {
      // One-letter names come round again after 26: each is added once.
      if (i % 4 == 3 && i > 26) continue;
      index.AddEntry(folder, NameOf(static_cast<int>(f), i), File(1000 + i, i));
    }
    index.MarkComplete(folder);
  }
  for (int round = 0; round < 3; ++round) {
    for (std::size_t f = 0; f < sizes.size(); ++f) {
      const std::string rel = "sub" + std::to_string(f) + "/";
      ASSERT_EQ(index.ResolveFolder(rel), folders[f]);
      for (int i = 0; i < sizes[f]; ++i) {
        const std::string name = NameOf(static_cast<int>(f), i);
        const SideIndex::Found found = index.LookUp(rel, name);
        if (i % 4 == 3 && i > 26) continue;
        ASSERT_TRUE(found.info.exists) << rel << name;
        EXPECT_EQ(found.info.mtime, (platform::FileTime{1000 + i, i})) << rel << name;
        const SideIndex::EntryId id = index.FindEntry(folders[f], name);
        EXPECT_EQ(index.EntryFolder(id), folders[f]);
        EXPECT_EQ(index.EntryName(id), name);
      }
      EXPECT_FALSE(index.LookUp(rel, "f").info.exists);
      EXPECT_FALSE(index.LookUp(rel, "missing").info.exists);
      EXPECT_FALSE(index.LookUp(rel, NameOf(static_cast<int>(f) + 1, 1)).info.exists);
    }
  }
}

// Names and entries are stored in blocks; a name at the end of a block and the
// entries on both sides of a block border read back whole.
TEST(SideIndexTest, NamesAndEntriesReadBackAcrossTheirBlocks) {
  SideIndex index;
  index.Reset("/r/");
  const SideIndex::FolderId root = index.AddFolder("");
  std::vector<std::string> names;
  for (int i = 0; i < 70000; ++i) {
    // 1 to 40 bytes: block borders fall on names of every length.
    names.push_back(std::string(static_cast<std::size_t>(1 + i % 40), static_cast<char>('a' + i % 26)) +
                    std::to_string(i));
    index.AddEntry(root, names.back(), File(i, 999999999 - i));
  }
  index.MarkComplete(root);
  ASSERT_EQ(index.EntryCount(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto id = static_cast<SideIndex::EntryId>(i);
    ASSERT_EQ(index.EntryName(id), names[i]);
    ASSERT_EQ(index.EntryInfoOf(id).mtime, (platform::FileTime{static_cast<std::int64_t>(i),
                                                                  999999999 - static_cast<std::int32_t>(i)}));
    ASSERT_EQ(index.FindEntry(root, names[i]), id);
  }
}

// How a path resolves where the scan did not list it in full.
TEST(SideIndexTest, FoldersResolveAsTheScanSawThem) {
  SideIndex index;
  index.Reset("/r/");
  const SideIndex::FolderId root = index.AddFolder("");
  const auto listed = index.AddEntry(root, "listed", Dir(1));
  index.AddEntry(root, "unentered", Dir(1));
  index.AddEntry(root, "file", File(1));
  const auto gone = index.AddEntry(root, "gone", Dir(1));
  index.AddEntry(root, "failed", Dir(1));
  index.AddEntry(root, "partial", Dir(1));
  index.SetEntryInfo(gone, {});  // vanished before it was entered
  index.MarkComplete(root);
  const SideIndex::FolderId listedFolder = index.AddChildFolder(root, "listed");
  index.AddEntry(listedFolder, "x", File(2));
  index.MarkComplete(listedFolder);
  const SideIndex::FolderId failed = index.AddChildFolder(root, "failed");
  // A folder inside a failed one that the scan read before the failure.
  const SideIndex::FolderId readBelow = index.AddChildFolder(failed, "read");
  index.MarkComplete(readBelow);
  index.MarkFailed(failed, std::make_error_code(std::errc::io_error));
  const SideIndex::FolderId partial = index.AddChildFolder(root, "partial");  // never marked complete

  EXPECT_EQ(index.EntryFolder(listed), root);
  const struct {
    const char* rel;
    SideIndex::FolderId expected;
  } cases[] = {
      {"", root},
      {"listed/", listedFolder},
      {"listed/deeper/", SideIndex::kMissingFolder},
      {"unentered/", SideIndex::kNoFolder},
      {"unentered/deeper/", SideIndex::kNoFolder},
      {"file/", SideIndex::kMissingFolder},
      {"gone/", SideIndex::kMissingFolder},
      {"nothing/", SideIndex::kMissingFolder},
      {"failed/", failed},
      {"failed/other/", failed},
      {"failed/read/", readBelow},
      {"partial/", partial},
      {"partial/below/", SideIndex::kNoFolder},
  };
  for (const auto& c : cases) EXPECT_EQ(index.ResolveFolder(c.rel), c.expected) << c.rel;
  EXPECT_EQ(index.FindFolder("failed/read/"), readBelow);
  EXPECT_EQ(index.FindFolder("failed/other/"), SideIndex::kNoFolder);
  EXPECT_EQ(index.LookUp("failed/other/", "y").info.error, std::make_error_code(std::errc::io_error));
  EXPECT_EQ(index.LookUp("failed/other/", "y").origin, SideIndex::Found::Origin::Folder);
  EXPECT_EQ(index.FolderPath(readBelow), "failed/read/");
  EXPECT_EQ(index.FolderPath(root), "");
}

// A folder is its parent and its name: the path of a deep folder is made from
// the chain, never stored whole.
TEST(SideIndexTest, DeepFoldersKeepTheirPaths) {
  SideIndex index;
  index.Reset("/r/");
  SideIndex::FolderId folder = index.AddFolder("");
  std::string expected;
  for (int depth = 1; depth <= 3000; ++depth) {
    const std::string name = "level" + std::to_string(depth);
    index.AddEntry(folder, name, Dir(depth));
    index.MarkComplete(folder);
    folder = index.AddChildFolder(folder, name);
    expected += name + "/";
  }
  index.AddEntry(folder, "bottom.txt", File(7));
  index.MarkComplete(folder);
  EXPECT_EQ(index.FolderPath(folder), expected);
  EXPECT_EQ(index.FolderDepth(folder), 3000u);
  EXPECT_EQ(index.ResolveFolder(expected), folder);
  EXPECT_EQ(index.LookUp(expected, "bottom.txt").info.mtime, (platform::FileTime{7, 0}));
  // Well below the square of the depth (3000 paths of 30,000 bytes on average).
  EXPECT_LT(index.MemoryBytes(), 4u * 1024 * 1024);
}

// What the scan learns after listing replaces what the listing said.
TEST(SideIndexTest, EntryInfoChangesAfterTheListing) {
  SideIndex index;
  index.Reset("/r/");
  const SideIndex::FolderId root = index.AddFolder("");
  const auto e = index.AddEntry(root, "e", Dir(0));
  const auto denied = std::make_error_code(std::errc::permission_denied);
  index.SetEntryInfo(e, {false, true, {}, denied});
  EXPECT_EQ(index.EntryInfoOf(e).error, denied);
  EXPECT_FALSE(index.EntryInfoOf(e).exists);
  index.SetEntryInfo(e, File(5, 6));
  EXPECT_EQ(index.EntryInfoOf(e).error, std::error_code());
  EXPECT_TRUE(index.EntryInfoOf(e).exists);
  EXPECT_FALSE(index.EntryInfoOf(e).directory);
  index.SetEntryError(e, denied);
  EXPECT_EQ(index.EntryInfoOf(e).error, denied);
  EXPECT_TRUE(index.EntryInfoOf(e).exists);
  EXPECT_EQ(index.EntryInfoOf(e).mtime, (platform::FileTime{5, 6}));
}

// Lists keep runs of consecutive ids and give back exactly what was added.
TEST(SideIndexTest, EntryListsGiveBackWhatWasAdded) {
  const std::vector<std::vector<SideIndex::EntryId>> cases{
      {}, {0}, {5, 6, 7}, {3, 1, 2, 9, 10, 0}, {1, 2, 4, 5, 7, 8, 100, 101, 102, 50}};
  for (const auto& ids : cases) {
    EntryList list;
    for (const auto id : ids) list.push_back(id);
    EXPECT_EQ(list.size(), ids.size());
    EXPECT_EQ(list.empty(), ids.empty());
    EXPECT_THAT(std::vector<SideIndex::EntryId>(list.begin(), list.end()), ElementsAreArray(ids));
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
  }
}

}  // namespace
}  // namespace orvel::engine
