#pragma once

#include "platform/copy_session.h"
#include "platform/destination_writer.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/file_time.h"
#include "platform/folder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orvel::platform {

// A file or link whose bytes arrive from elsewhere (another machine), written
// as a local copy is: into an unnamed or hidden temporary file of the folder,
// given its permission bits (set-id bits dropped) and last-write time, and put
// in the destination's place only while the destination still meets its
// expectation, checked right before. Until Finish succeeds nothing is visible,
// and whatever fails leaves nothing behind.
class ReceivedFile {
 public:
  ReceivedFile(CopySession& session, const Folder& to, std::string_view name, const Expectation& destination);
  ~ReceivedFile();
  ReceivedFile(const ReceivedFile&) = delete;
  ReceivedFile& operator=(const ReceivedFile&) = delete;

  // Checks the destination and makes the temporary. mode: permission bits.
  std::error_code Begin(bool link, std::uint32_t mode, std::uint64_t size);
  // The next bytes (a link's text piece by piece).
  std::error_code Append(std::string_view bytes);
  // Exactly the announced size must have arrived; then the metadata, the
  // re-check and the rename.
  std::error_code Finish(FileTime mtime);

 private:
  std::error_code FinishLink(FileTime mtime);

  CopySession& session_;
  const Folder& to_;
  std::string name_;
  Expectation destination_;
  DestinationState before_;
  std::unique_ptr<DestinationWriter> writer_;
  bool link_ = false;
  std::uint32_t mode_ = 0;
  std::uint64_t size_ = 0;
  std::uint64_t received_ = 0;
  std::string linkText_;
};

}  // namespace orvel::platform
