#pragma once

#include "engine/texts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvel::remote {

// A folder on another machine, as the user wrote it:
//   [user@]host:path                    as scp and rsync write it: a colon before any slash
//   ssh://[user@]host[:port]/path       the path percent-decoded
// An IPv6 host stands in brackets in both forms ("[::1]:/srv", "ssh://[::1]:2222/srv").
//
// Everything else is a local path: one that begins with '/' or '.', or has a
// slash before its first colon ("./a:b", "/a:b", "a/b:c"). A drive letter gets
// no special treatment: "c:/x" is the folder /x on the host "c", so a local
// relative path with a colon in its first component is written "./c:/x".
struct Address {
  std::string user;  // empty: ssh's own choice (~/.ssh/config, the login name)
  std::string host;  // without brackets
  std::uint16_t port = 0;  // 0: ssh's own choice
  // The folder on the far side, byte for byte; relative to the far side's home
  // folder unless it begins with '/'. Empty means the home folder itself.
  std::string path;

  // The address written back in the form that names it unambiguously.
  std::string Display() const;
  friend bool operator==(const Address&, const Address&) = default;
};

// What a folder text is.
struct ParsedFolder {
  enum class Kind { Local, Remote, Invalid };
  Kind kind = Kind::Local;
  Address address;    // Remote only
  engine::Reason error;  // Invalid only: why
};

// Decides whether `text` names a remote folder, and parses it. Hosts and users
// that ssh could take for an option (a leading '-') or that hold blanks, control
// characters or shell metacharacters are refused (Invalid), never passed on.
ParsedFolder ParseFolder(std::string_view text);

// Whether the text is written as a remote folder (possibly an invalid one).
inline bool LooksRemote(std::string_view text) { return ParseFolder(text).kind != ParsedFolder::Kind::Local; }

}  // namespace orvel::remote
