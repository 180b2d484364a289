// The remembered sync's contents comparison with a side on another machine:
// the far side's digests are asked for in one batch, never one per file.
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
class CountingFarRoot final : public IFarRoot {
 public:
  explicit CountingFarRoot(const platform::Folder& root) : root_(root) {}
  std::vector<platform::Expected<FarDigest>> Digests(std::span<const FarEntry> entries) override {
    ++batches;
    std::vector<platform::Expected<FarDigest>> out;
    for (const FarEntry& e : entries) {
      platform::Expected<platform::Folder> folder = root_.OpenBeneath(e.rel);
      const platform::EntryInfo now = folder ? folder->LookUp(e.name) : platform::EntryInfo{};
      if (!folder || !e.expect.MetBy(now)) {
        out.emplace_back(platform::MakeError(platform::Fault::ChangedSinceList));
      } else {
        out.push_back(platform::DigestOf(*folder, e.name, now));
      }
    }
    asked += entries.size();
    return out;
  }
  int batches = 0;
  std::size_t asked = 0;

  const FarRootInfo& Info() const override { return info_; }
  const std::string& Machine() const override { return machine_; }
  std::error_code Scan(const RunValues&, const ScanSetup&, SideIndex&, ScanLists&, ScanSummary&,
                       const std::function<void(std::string_view)>&) override { return {}; }
  void Interrupt() override {}
  platform::EntryInfo LookUp(std::string_view, std::string_view, platform::Identity*) override { return {}; }
  std::string LinkText(std::string_view, std::string_view) override { return {}; }
  platform::Expected<FarFile> Read(std::string_view, std::string_view, const platform::Expectation&,
                                   const std::function<bool(const FarFile&)>&,
                                   const std::function<bool(std::string_view)>&) override {
    return platform::MakeError(platform::Fault::ChangedSinceList);
  }
  void Write(const FarWrite&, const Fill&, Done) override {}
  void Delete(std::string_view, std::string_view, const platform::Expectation&, bool, Done) override {}
  void MakeFolder(std::string_view, std::string_view, Done) override {}
  void SetFolderTime(std::string_view, std::string_view, platform::FileTime, Done) override {}
  void Settle() override {}
  std::string Describe(std::error_code error) const override { return error.message(); }

 private:
  const platform::Folder& root_;
  FarRootInfo info_;
  std::string machine_ = "far";
};

class NoControl : public ScanControl {
 public:
  bool Running() const override { return true; }
  void EnterFolder(std::string_view) override {}
  bool CancelAfterEntry() override { return false; }
};

TEST(FarMemory, FirstContactAsksTheFarDigestsInOneBatch) {
  TempDir dir;
  std::vector<TreeEntry> near, far;
  for (int i = 0; i < 30; ++i) {
    const std::string name = "d/f" + std::to_string(i);
    near.push_back({name, "same " + std::to_string(i), Time(1'600'000'000)});
    far.push_back({name, "same " + std::to_string(i), Time(1'600'000'000)});
  }
  near.push_back({"differ.txt", "abc", Time(1'600'000'000)});
  far.push_back({"differ.txt", "xyz", Time(1'600'000'000)});
  far.push_back({"link", "abc", Time(1'600'000'000)});
  WriteTree(dir / "near", near);
  WriteTree(dir / "far", far);
  ASSERT_EQ(::symlink("abc", (dir / "near/link").c_str()), 0);

  const RunValues values = DeriveRunValues(CCondition{});
  platform::Folder roots[2] = {std::move(*platform::Folder::OpenRoot(dir / "near")),
                               std::move(*platform::Folder::OpenRoot(dir / "far"))};
  SideIndex indexes[2];
  for (int side = 0; side < 2; ++side) {
    ScanLists lists;
    NoControl control;
    ScanSetup setup;
    setup.side = side == 0 ? ScanSide::Base : ScanSide::Target;
    setup.root = &roots[side];
    setup.rootPath = dir / (side == 0 ? "near/" : "far/");
    setup.keepExtras = true;
    FolderScan(values, control).Scan(setup, indexes[side], lists);
  }
  CountingFarRoot farRoot(roots[1]);
  PairMemory memory(PairRoots{});
  memory.UseScans(&indexes[0], &indexes[1], &roots[0], nullptr);
  memory.UseFarRoots(nullptr, &farRoot);

  std::size_t compared = 0;
  for (SideIndex::EntryId e = 0; e < indexes[0].EntryCount(); ++e) {
    const platform::EntryInfo base = indexes[0].EntryInfoOf(e);
    if (base.directory) continue;
    const std::string rel = indexes[0].FolderPath(indexes[0].EntryFolder(e));
    const std::string_view name = indexes[0].EntryName(e);
    const platform::Expected<bool> same =
        memory.SameContents(rel, name, base, indexes[1].LookUp(rel, name).info);
    ASSERT_TRUE(same) << name << ": " << same.error().message();
    // A link and a file of the same bytes differ.
    EXPECT_EQ(*same, name != "differ.txt" && name != "link") << name;
    ++compared;
  }
  EXPECT_EQ(compared, 32u);
  EXPECT_EQ(farRoot.batches, 1);
  EXPECT_EQ(farRoot.asked, 31u);  // the link and the file are told apart without reading
}

}  // namespace
}  // namespace orvel::test
