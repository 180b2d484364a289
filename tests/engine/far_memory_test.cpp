// The remembered sync compares contents with a far side by digests asked in one batch.
#include "engine/far_root.h"
#include "engine/folder_scan.h"
#include "engine/sync_memory.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace orvel::test {
namespace {

using namespace engine;

// A "far" root that is a local folder; it counts the digest requests.
struct CountingFarRoot final : IFarRoot {
  explicit CountingFarRoot(const platform::Folder& root) : root_(root) {}
  std::vector<platform::Expected<FarDigest>> Digests(std::span<const FarEntry> entries) override {
    ++batches;
    asked += entries.size();
    std::vector<platform::Expected<FarDigest>> out;
    for (const FarEntry& e : entries) {
      const platform::Folder folder = std::move(*root_.OpenBeneath(e.rel));
      out.push_back(platform::DigestOf(folder, e.name, folder.LookUp(e.name)));
    }
    return out;
  }
  int batches = 0;
  std::size_t asked = 0;
  const FarRootInfo& Info() const override { return info_; }
  const std::string& Machine() const override { return info_.traits.type; }
  std::error_code Scan(const RunValues&, const ScanSetup&, SideIndex&, ScanLists&, ScanSummary&,
                       const std::function<void(std::string_view)>&) override { return {}; }
  void Interrupt() override {}
  platform::EntryInfo LookUp(std::string_view, std::string_view, platform::Identity*) override { return {}; }
  std::string LinkText(std::string_view, std::string_view) override { return {}; }
  platform::Expected<FarFile> Read(std::string_view, std::string_view, const platform::Expectation&,
                                   const std::function<bool(const FarFile&)>&,
                                   const std::function<bool(std::string_view)>&) override { return FarFile{}; }
  void Write(const FarWrite&, const Fill&, Done) override {}
  void Delete(std::string_view, std::string_view, const platform::Expectation&, bool, Done) override {}
  void MakeFolder(std::string_view, std::string_view, Done) override {}
  void SetFolderTime(std::string_view, std::string_view, platform::FileTime, Done) override {}
  void LookUpLater(std::string_view, std::string_view, std::function<void(const platform::EntryInfo&)>) override {}
  platform::Expected<FarFile> FileHeader(std::string_view, std::string_view) override { return FarFile{}; }
  void Rename(std::string_view, std::string_view, const platform::Expectation&, std::string_view, Done) override {}
  void RemoveTree(std::string_view, std::string_view, std::span<const SeenEntry>, bool, Done) override {}
  void Fetch(std::string_view, std::string_view, const platform::Expectation&, std::uint64_t,
             std::function<bool(const FarFile&)>, std::function<bool(std::string_view)>, ReadDone) override {}
  void Settle() override {}
  engine::Reason Describe(std::error_code) const override { return {}; }
  const platform::Folder& root_;
  FarRootInfo info_;
};

struct NoControl : ScanControl {
  bool Running() const override { return true; }
  void EnterFolder(std::string_view) override {}
  bool CancelAfterEntry() override { return false; }
};

TEST(FarMemory, FirstContactAsksTheFarDigestsInOneBatch) {
  TempDir dir;
  std::vector<TreeEntry> near;
  for (int i = 0; i < 30; ++i) near.push_back({"d/f" + std::to_string(i), std::to_string(i), Time(1'600'000'000)});
  std::vector<TreeEntry> far = near;
  near.push_back({"differ.txt", "abc", Time(1'600'000'000)});
  far.insert(far.end(), {{"differ.txt", "xyz", Time(1'600'000'000)}, {"link", "abc", Time(1'600'000'000)}});
  WriteTree(dir / "near", near);
  WriteTree(dir / "far", far);
  ASSERT_EQ(::symlink("abc", (dir / "near/link").c_str()), 0);

  platform::Folder roots[2] = {std::move(*platform::Folder::OpenRoot(dir / "near")),
                               std::move(*platform::Folder::OpenRoot(dir / "far"))};
  SideIndex indexes[2];
  for (int side = 0; side < 2; ++side) {
    ScanLists lists;
    NoControl control;
    ScanSetup setup;
    setup.root = &roots[side];
    setup.rootPath = dir / (side == 0 ? "near/" : "far/");
    setup.keepExtras = true;
    FolderScan(DeriveRunValues(CCondition{}), control).Scan(setup, indexes[side], lists);
  }
  CountingFarRoot farRoot(roots[1]);
  PairMemory memory(PairRoots{});
  memory.UseScans(&indexes[0], &indexes[1], &roots[0], nullptr);
  memory.UseFarRoots(nullptr, &farRoot);

  for (SideIndex::EntryId e = 0; e < indexes[0].EntryCount(); ++e) {
    const platform::EntryInfo base = indexes[0].EntryInfoOf(e);
    if (base.directory) continue;
    const std::string rel = indexes[0].FolderPath(indexes[0].EntryFolder(e));
    const std::string_view name = indexes[0].EntryName(e);
    const platform::Expected<bool> same = memory.SameContents(rel, name, base, indexes[1].LookUp(rel, name).info);
    ASSERT_TRUE(same) << name;
    EXPECT_EQ(*same, name != "differ.txt" && name != "link") << name;  // a link differs from a file of its bytes
  }
  EXPECT_EQ(farRoot.batches, 1);
  EXPECT_EQ(farRoot.asked, 31u);  // the link and the file are told apart without reading
}

}  // namespace
}  // namespace orvel::test
