#include "platform/error.h"

#include <string>

namespace orvel::platform {

namespace {

class FaultCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "orvel"; }
  std::string message(int value) const override {
    switch (static_cast<Fault>(value)) {
      case Fault::ChangedSinceList:
        return "changed since the list was made";
      case Fault::ReadOnly:
        return "read-only (no write permission bit)";
      case Fault::LinkInPath:
        return "a symbolic link stands where a folder was expected";
      case Fault::SpecialFile:
        return "not a regular file, link or folder";
      case Fault::FolderReplaced:
        return "the folder was replaced since the list was made";
      case Fault::OtherRoot:
        return "the other folder of the pair lies here";
      case Fault::Busy:
        return "another run is working on this folder";
      case Fault::NulInPath:
        return "the path holds a NUL byte";
    }
    return "unknown error";
  }
};

}  // namespace

const std::error_category& FaultCategory() {
  static const FaultCategoryImpl category;
  return category;
}

}  // namespace orvel::platform
