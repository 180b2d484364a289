#include "remote/protocol.h"

#include <string>

namespace orvel::remote {

namespace {

class Category : public std::error_category {
 public:
  const char* name() const noexcept override { return "orvel.remote"; }
  std::string message(int value) const override {
    switch (static_cast<ProtocolFault>(value)) {
      case ProtocolFault::BadFrame:
        return "the far side sent something the protocol does not allow";
      case ProtocolFault::UnknownRequest:
        return "a request the far side does not know";
      case ProtocolFault::Unsupported:
        return "a request this version of the far side does not carry out";
      case ProtocolFault::VersionMismatch:
        return "the two sides speak different protocol versions";
      case ProtocolFault::NotOpen:
        return "the far side's folder is not open";
      case ProtocolFault::ConnectionClosed:
        return "the connection ended";
      case ProtocolFault::Timeout:
        return "timeout: no answer from the far side";
      case ProtocolFault::HostUnreachable:
        return "the host cannot be reached";
      case ProtocolFault::AuthRefused:
        return "the host refused the login";
      case ProtocolFault::ProgramMissing:
        return "orvel-cli is not installed on the far side";
      case ProtocolFault::FarSideFailed:
        return "the program on the far side ended unexpectedly";
      case ProtocolFault::NotAServer:
        return "the far side did not answer as orvel-cli --serve";
      case ProtocolFault::HostKeyUnknown:
        return "the host's key is not known yet and was not accepted";
      case ProtocolFault::HostKeyChanged:
        return "the host's key has changed since it was last accepted";
    }
    return "remote protocol error " + std::to_string(value);
  }
  // So that a layer that knows nothing of this protocol can still tell a
  // far side's silence (std::errc::timed_out) from other failures.
  std::error_condition default_error_condition(int value) const noexcept override {
    if (static_cast<ProtocolFault>(value) == ProtocolFault::Timeout) return std::errc::timed_out;
    return std::error_category::default_error_condition(value);
  }
};

}  // namespace

const std::error_category& ProtocolCategory() {
  static const Category category;
  return category;
}

}  // namespace orvel::remote
