#pragma once

#include <string>

namespace orvel::remote {

struct ServerSetup {
  std::string root;            // the folder served, as given (links in it followed, as for any root)
  std::string programVersion;  // told in the handshake
};

// The far side of a remote folder: reads requests from `in` and writes replies
// to `out` (the two ends of ssh's channel, or a socket in tests) until the
// near side releases the root, the input ends or the output breaks. Nothing
// outside the root is ever read or written: every entry is reached through the
// root's descriptor, one verified folder at a time, never through a link.
// Returns 0 after a clean end, 1 after a broken stream or a failed handshake.
int Serve(int in, int out, const ServerSetup& setup);

}  // namespace orvel::remote
