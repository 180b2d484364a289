#include "remote/far_folder.h"

#include "platform/file_system_traits.h"
#include "remote/reasons.h"

namespace orvel::remote {

FarFolder::FarFolder(std::unique_ptr<Client> client, std::string machine, std::string host, std::string program,
                     const RootInfo& root)
    : client_(std::move(client)), machine_(std::move(machine)), host_(std::move(host)), program_(std::move(program)) {
  info_.identity = root.identity;
  info_.fileSystemId = root.fileSystemId;
  info_.traits = platform::TraitsOfType(root.fileSystemType);
  info_.locked = root.locked;
  info_.created = root.created;
  info_.rootIdentity = root.rootIdentity;
  if (info_.rootIdentity.Known()) {
    // The same file system id on another machine is another folder: the
    // machine goes into the key (FNV-1a, stable from run to run).
    std::uint64_t h = 0xCBF29CE484222325ull ^ info_.rootIdentity.fileSystem;
    for (const char c : machine_) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    info_.rootIdentity.fileSystem = h != 0 ? h : 1;
  }
}

FarFolder::~FarFolder() {
  // The far side lets go of its lock; a broken connection has nothing to release.
  if (!client_->Failure()) client_->Release();
}

std::error_code FarFolder::Scan(const engine::RunValues& values, const engine::ScanSetup& setup,
                                engine::SideIndex& index, engine::ScanLists& lists, engine::ScanSummary& summary,
                                const std::function<void(std::string_view)>& folder) {
  ScanRequest request;
  request.target = setup.side == engine::ScanSide::Target;
  request.subFolders = setup.subFolders;
  request.emptyFolder = values.emptyFolder;
  request.recyclerFolder = values.recyclerFolder;
  // An extension list longer than a request carries is applied here instead,
  // to the files the far side lists without it: the same test on the same
  // names, so any list that works locally works here. Only the lists in use go.
  const bool filterHere = (values.chkExt && values.ext.size() > kMaxText) ||
                          (values.chkNoExt && values.noExt.size() > kMaxText);
  request.chkExt = values.chkExt && !filterHere;
  request.chkNoExt = values.chkNoExt && !filterHere;
  if (request.chkExt) request.ext = values.ext;
  if (request.chkNoExt) request.noExt = values.noExt;
  request.otherRoot = setup.otherRoot;
  request.removeLeftovers = setup.removeLeftovers;
  request.keepExtras = setup.keepExtras;
  const std::error_code error =
      client_->Scan(request, setup.rootPath, index, lists, summary, [&folder](const ProgressReply& progress) {
        if (folder) folder(progress.folder);
      });
  if (!error && filterHere) KeepMatchingFiles(values, index, lists, summary);
  return error;
}

void FarFolder::KeepMatchingFiles(const engine::RunValues& values, const engine::SideIndex& index,
                                  engine::ScanLists& lists, engine::ScanSummary& summary) {
  // As the scan lists them: folders that cannot be read always, other entries
  // (also unreadable ones, each counted once) only when their names pass.
  engine::EntryList kept;
  for (const engine::SideIndex::EntryId id : lists.files) {
    const platform::EntryInfo info = index.EntryInfoOf(id);
    if (info.directory || engine::ExtensionTest(values, index.EntryName(id))) {
      kept.push_back(id);
    } else if (info.error && summary.unreadable > 0) {
      --summary.unreadable;
    }
  }
  lists.files = std::move(kept);
}

platform::EntryInfo FarFolder::LookUp(std::string_view rel, std::string_view name, platform::Identity* identity) {
  platform::Expected<WireEntry> entry = client_->LookUp(rel, name);
  if (!entry) {
    platform::EntryInfo failed;
    failed.error = entry.error();
    return failed;
  }
  if (identity) *identity = entry->identity;
  // No stamp: one not known proves nothing, and the contents then decide.
  platform::EntryInfo info = entry->info;
  if (info.IsFile()) info.size = entry->size;
  return info;
}

void FarFolder::LookUpLater(std::string_view rel, std::string_view name,
                            std::function<void(const platform::EntryInfo&)> done) {
  client_->LookUpLater(EntryRequest{rel, name, {}}, [done = std::move(done)](platform::Expected<WireEntry> entry) {
    if (entry) return done(entry->info);
    platform::EntryInfo failed;
    failed.error = entry.error();
    done(failed);
  });
}

std::string FarFolder::LinkText(std::string_view rel, std::string_view name) {
  std::string text;
  platform::Expected<FileBeginReply> begin = client_->ReadFile(rel, name, platform::Expectation{}, [&](std::string_view bytes) {
    text.append(bytes);
    return true;
  });
  return begin && begin->link ? text : std::string();
}

platform::Expected<engine::FarFile> FarFolder::Read(std::string_view rel, std::string_view name,
                                                    const platform::Expectation& source,
                                                    const std::function<bool(const engine::FarFile&)>& begin,
                                                    const std::function<bool(std::string_view)>& sink) {
  const auto FileOf = [](const FileBeginReply& reply) {
    return engine::FarFile{reply.link, reply.size, reply.mode, reply.mtime};
  };
  platform::Expected<FileBeginReply> read = client_->ReadFile(
      rel, name, source, sink, [&](const FileBeginReply& reply) { return !begin || begin(FileOf(reply)); });
  if (!read) return read.error();
  return FileOf(*read);
}

platform::Expected<engine::FarFile> FarFolder::FileHeader(std::string_view rel, std::string_view name) {
  platform::Expected<WireEntry> entry = client_->LookUp(rel, name);
  if (!entry) return entry.error();
  if (entry->info.error) return entry->info.error;
  if (!entry->info.exists || entry->info.directory) return platform::MakeError(platform::Fault::ChangedSinceList);
  return engine::FarFile{entry->info.link, entry->size, entry->mode & 07777, entry->info.mtime};
}

void FarFolder::Write(const engine::FarWrite& write, const Fill& fill, Done done) {
  changed_ = true;
  const FileBeginReply file{write.file.link, write.file.size, write.file.mode & 07777, write.file.mtime};
  if (!write.kept) {
    client_->Write(WriteBeginRequest{write.rel, write.name, write.destination, file}, fill, std::move(done));
    return;
  }
  auto written = std::make_shared<WrittenReply>();
  platform::EntryInfo* kept = write.kept;
  client_->Write(
      WriteBeginRequest{write.rel, write.name, write.destination, file}, fill,
      [written, kept, done = std::move(done)](std::error_code error) {
        if (!error && written->told) {
          kept->exists = true;
          kept->regular = !kept->link;
          kept->mtime = written->mtime;
          kept->size = written->size;
          kept->stamp = written->stamp;
        }
        if (done) done(error);
      },
      written.get());
}

std::vector<platform::Expected<engine::FarDigest>> FarFolder::Digests(std::span<const engine::FarEntry> entries) {
  std::vector<EntryRequest> requests;
  requests.reserve(entries.size());
  for (const engine::FarEntry& entry : entries) requests.push_back(EntryRequest{entry.rel, entry.name, entry.expect});
  std::vector<platform::Expected<DigestReply>> replies = client_->DigestMany(requests);
  std::vector<platform::Expected<engine::FarDigest>> digests;
  digests.reserve(replies.size());
  for (platform::Expected<DigestReply>& reply : replies) {
    if (reply) {
      digests.emplace_back(engine::FarDigest{reply->size, reply->value});
    } else {
      digests.emplace_back(reply.error());
    }
  }
  return digests;
}

void FarFolder::Delete(std::string_view rel, std::string_view name, const platform::Expectation& expect, bool toTrash,
                       Done done) {
  changed_ = true;
  client_->Delete(DeleteRequest{rel, name, expect, toTrash}, std::move(done));
}

void FarFolder::MakeFolder(std::string_view rel, std::string_view name, Done done) {
  changed_ = true;
  client_->MakeFolder(MakeFolderRequest{rel, name}, std::move(done));
}

void FarFolder::SetFolderTime(std::string_view rel, std::string_view name, platform::FileTime mtime, Done done) {
  client_->SetFolderTime(SetFolderTimeRequest{rel, name, platform::Expectation{}, mtime}, std::move(done));
}

void FarFolder::SetFileTime(std::string_view rel, std::string_view name, const platform::Expectation& expect,
                            platform::FileTime mtime, Done done) {
  client_->SetFolderTime(SetFolderTimeRequest{rel, name, expect, mtime}, std::move(done));
}

void FarFolder::Rename(std::string_view rel, std::string_view name, const platform::Expectation& expect,
                       std::string_view newName, Done done) {
  changed_ = true;
  client_->Rename(RenameRequest{rel, name, expect, newName}, std::move(done));
}

void FarFolder::RemoveTree(std::string_view rel, std::string_view name, std::span<const engine::SeenEntry> tree,
                           bool toTrash, Done done) {
  changed_ = true;
  // A large tree goes in several requests that each fit a frame, the top
  // folder with the last; every entry is still checked on its own, and the
  // first failure is the answer.
  constexpr std::size_t kBatch = kMaxPayload / 2;
  auto failed = std::make_shared<std::error_code>();
  DeleteTreeRequest request{rel, name, toTrash, false, {}};
  std::size_t bytes = 0;
  for (const engine::SeenEntry& entry : toTrash ? std::span<const engine::SeenEntry>{} : tree) {
    if (bytes + entry.rel.size() + 32 > kBatch) {
      client_->DeleteTree(request, [failed](std::error_code error) {
        if (!*failed) *failed = error;
      });
      request.entries.clear();
      bytes = 0;
    }
    request.entries.push_back({entry.rel, entry.folder, entry.mtime});
    bytes += entry.rel.size() + 32;
  }
  request.last = true;
  client_->DeleteTree(request, [failed, done = std::move(done)](std::error_code error) {
    if (done) done(*failed ? *failed : error);
  });
}

void FarFolder::Fetch(std::string_view rel, std::string_view name, const platform::Expectation& source,
                      std::uint64_t expected, std::function<bool(const engine::FarFile&)> begin,
                      std::function<bool(std::string_view)> sink, ReadDone done) {
  const auto FileOf = [](const FileBeginReply& reply) {
    return engine::FarFile{reply.link, reply.size, reply.mode, reply.mtime};
  };
  client_->Fetch(
      EntryRequest{rel, name, source}, expected,
      [FileOf, begin = std::move(begin)](const FileBeginReply& reply) { return !begin || begin(FileOf(reply)); },
      std::move(sink), [FileOf, done = std::move(done)](platform::Expected<FileBeginReply> read) {
        if (!done) return;
        if (!read) {
          done(read.error());
        } else {
          done(FileOf(*read));
        }
      });
}

std::error_code FarFolder::Flush() {
  if (!changed_) return {};
  changed_ = false;
  return client_->Flush();
}

engine::Reason FarFolder::Describe(std::error_code error) const {
  const ConnectionFailure& failure = client_->Failure();
  if (failure && (error == failure.code || &error.category() == &ProtocolCategory()))
    return ReasonOf(failure, host_, program_);
  return ReasonOf(error, host_, program_);
}

namespace {

// user@host:port, for telling two roots of one machine and account.
std::string MachineOf(const Address& address) {
  return address.user + '@' + address.host + ':' + std::to_string(address.port);
}

}  // namespace

engine::IFarSides::Opened SshFarSides::Open(const std::string& folder, bool exclusive, bool createMissing,
                                           const std::function<bool()>& waiting) {
  Opened opened;
  const ParsedFolder parsed = ParseFolder(folder);
  if (parsed.kind != ParsedFolder::Kind::Remote) {
    opened.error = std::make_error_code(std::errc::invalid_argument);
    opened.reason = parsed.error;
    return opened;
  }
  platform::Expected<Channel> channel = StartSsh(parsed.address, setup_);
  if (!channel) {
    opened.error = channel.error();
    opened.reason.id = engine::TextId::RemoteSshNotStarted;
    opened.reason.args = {setup_.sshCommand};
    opened.reason.cause = channel.error();
    return opened;
  }
  ClientSetup clientSetup;
  clientSetup.programVersion = programVersion_;
  clientSetup.waiting = waiting;
  clientSetup.timeout = setup_.patience;
  clientSetup.peer = parsed.address.host;
  auto client = std::make_unique<Client>(std::move(*channel), clientSetup);
  if (const std::error_code error = client->Handshake()) {
    opened.error = error;
    opened.reason = ReasonOf(client->Failure(), parsed.address.host, setup_.remoteProgram);
    return opened;
  }
  platform::Expected<RootInfo> root = client->OpenRoot(exclusive ? LockMode::Exclusive : LockMode::Shared, createMissing);
  if (!root) {
    opened.error = root.error();
    opened.reason = client->Failure() ? ReasonOf(client->Failure(), parsed.address.host, setup_.remoteProgram)
                                      : ReasonOf(root.error(), parsed.address.host, setup_.remoteProgram);
    return opened;
  }
  // From here on the run's own progress and cancel take over.
  client->SetWaiting(nullptr);
  opened.root = std::make_unique<FarFolder>(std::move(client), MachineOf(parsed.address), parsed.address.host,
                                           setup_.remoteProgram, *root);
  return opened;
}

}  // namespace orvel::remote
