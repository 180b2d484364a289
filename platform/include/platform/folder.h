#pragma once

#include "platform/entry_info.h"
#include "platform/error.h"
#include "platform/unique_fd.h"

#include <string>
#include <string_view>

namespace orvel::platform {

// An open folder: a descriptor and the identity of the folder it names. Every
// operation below a root folder goes through these, so a link, file or other
// folder swapped in by name can never redirect it.
class Folder {
 public:
  Folder() = default;

  // A root folder by path; links are followed, as root folders may be links.
  static Expected<Folder> OpenRoot(const std::string& path);

  // The child folder `name`; a link there is refused (Fault::LinkInPath), a file
  // or a missing entry reads as absence (ENOTDIR, ENOENT). With `info`, what the
  // opened folder's own look-up found goes there (the stat it needs anyway).
  Expected<Folder> OpenChild(std::string_view name, EntryInfo* info = nullptr) const;
  // The folder `rel` below this one: names separated by '/', empty for this
  // folder itself, a trailing '/' allowed. Never follows a link and never leaves
  // this folder ("." and ".." are refused).
  Expected<Folder> OpenBeneath(std::string_view rel) const;
  // Another descriptor of the same folder (its own open file description).
  Expected<Folder> Reopen() const;
  // The folder that holds this one as its entry `name` (and is `expected`,
  // when known); anything else gives Fault::FolderReplaced. A walk back up
  // costs one step a folder, however deep it went.
  Expected<Folder> OpenParent(std::string_view name, const Identity& expected = {}) const;

  // Look-up of the entry `name` in this folder; a final link is not followed.
  // With `identity`, the entry's identity goes there too (unknown on failure).
  EntryInfo LookUp(std::string_view name, Identity* identity = nullptr) const;
  // The look-up of an entry this program has just written (copied, renamed,
  // given a time): its stamp is the one later look-ups will tell.
  EntryInfo LookUpWritten(std::string_view name) const;
  Identity LookUpIdentity(std::string_view name) const;

  int Fd() const { return fd_.Get(); }
  bool IsOpen() const { return static_cast<bool>(fd_); }
  const Identity& Id() const { return id_; }
  void Close() { fd_.Reset(); }

 private:
  static Expected<Folder> Adopt(int fd, EntryInfo* info = nullptr);
  // OpenBeneath for a path the system takes in one call.
  Expected<Folder> OpenBeneathPiece(std::string_view rel) const;

  UniqueFd fd_;
  Identity id_;
};

// A name handed to the system needs a terminating zero; one with a NUL byte in
// it would reach the system cut short, so it is refused (Fault::NulInPath).
class CName {
 public:
  explicit CName(std::string_view name);
  CName(const CName&) = delete;
  CName& operator=(const CName&) = delete;
  const char* Get() const { return text_; }
  bool Valid() const { return valid_; }

 private:
  char small_[256];
  std::string large_;
  const char* text_ = small_;
  bool valid_ = true;
};

}  // namespace orvel::platform
