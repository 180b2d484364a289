#pragma once

#include "engine/far_root.h"
#include "remote/address.h"
#include "remote/client.h"
#include "remote/transport.h"

#include <memory>
#include <string>

namespace orvel::remote {

// A root folder on another machine as the engine uses it: its Client and what
// opening it found.
class FarFolder final : public engine::IFarRoot {
 public:
  FarFolder(std::unique_ptr<Client> client, std::string machine, std::string host, std::string program,
            const RootInfo& root);
  ~FarFolder() override;

  const engine::FarRootInfo& Info() const override { return info_; }
  const std::string& Machine() const override { return machine_; }
  std::error_code Scan(const engine::RunValues& values, const engine::ScanSetup& setup, engine::SideIndex& index,
                       engine::ScanLists& lists, engine::ScanSummary& summary,
                       const std::function<void(std::string_view)>& folder) override;
  void Interrupt() override { client_->Interrupt(); }
  platform::EntryInfo LookUp(std::string_view rel, std::string_view name,
                             platform::Identity* identity = nullptr) override;
  void LookUpLater(std::string_view rel, std::string_view name,
                   std::function<void(const platform::EntryInfo&)> done) override;
  std::string LinkText(std::string_view rel, std::string_view name) override;
  platform::Expected<engine::FarFile> Read(std::string_view rel, std::string_view name,
                                           const platform::Expectation& source,
                                           const std::function<bool(const engine::FarFile&)>& begin,
                                           const std::function<bool(std::string_view)>& sink) override;
  platform::Expected<engine::FarFile> FileHeader(std::string_view rel, std::string_view name) override;
  void Write(const engine::FarWrite& write, const Fill& fill, Done done) override;
  void Delete(std::string_view rel, std::string_view name, const platform::Expectation& expect, bool toTrash,
              Done done) override;
  void MakeFolder(std::string_view rel, std::string_view name, Done done) override;
  void SetFolderTime(std::string_view rel, std::string_view name, platform::FileTime mtime, Done done) override;
  void SetFileTime(std::string_view rel, std::string_view name, const platform::Expectation& expect,
                   platform::FileTime mtime, Done done) override;
  void Rename(std::string_view rel, std::string_view name, const platform::Expectation& expect,
              std::string_view newName, Done done) override;
  void RemoveTree(std::string_view rel, std::string_view name, std::span<const engine::SeenEntry> tree, bool toTrash,
                  Done done) override;
  void Fetch(std::string_view rel, std::string_view name, const platform::Expectation& source, std::uint64_t expected,
             std::function<bool(const engine::FarFile&)> begin, std::function<bool(std::string_view)> sink,
             ReadDone done) override;
  void Settle() override { client_->Settle(); }
  // Asks the far side only when something was sent that changes its folders.
  std::error_code Flush() override;
  std::vector<platform::Expected<engine::FarDigest>> Digests(std::span<const engine::FarEntry> entries) override;
  engine::Reason Describe(std::error_code error) const override;
  std::error_code Broken() const override { return client_->Failure().code; }

 private:
  // The far side's files that pass the extension lists, for a scan asked without them.
  static void KeepMatchingFiles(const engine::RunValues& values, const engine::SideIndex& index,
                                engine::ScanLists& lists, engine::ScanSummary& summary);

  std::unique_ptr<Client> client_;
  std::string machine_;
  std::string host_;
  std::string program_;  // the far side's, as the ssh setup names it
  engine::FarRootInfo info_;
  bool changed_ = false;  // a writing request went out since the last Flush
};

// Opens far roots through ssh (or what --ssh-command / ORVEL_SSH name), the
// far side being `orvel-cli --serve` (or --remote-program).
class SshFarSides final : public engine::IFarSides {
 public:
  SshFarSides(SshSetup setup, std::string programVersion)
      : setup_(std::move(setup)), programVersion_(std::move(programVersion)) {}
  bool IsFar(std::string_view folder) const override { return LooksRemote(folder); }
  Opened Open(const std::string& folder, bool exclusive, bool createMissing,
              const std::function<bool()>& waiting = {}) override;
  std::chrono::milliseconds Patience() const override { return setup_.patience; }

 private:
  SshSetup setup_;
  std::string programVersion_;
};

}  // namespace orvel::remote
