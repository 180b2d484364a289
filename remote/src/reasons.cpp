#include "remote/reasons.h"

#include "remote/protocol.h"

#include <string>

namespace orvel::remote {

// The far side's faults have their texts in the same order.
static_assert(static_cast<int>(engine::TextId::RemoteHostKeyChanged) - static_cast<int>(engine::TextId::RemoteBadFrame) ==
              static_cast<int>(ProtocolFault::Last) - static_cast<int>(ProtocolFault::BadFrame));

engine::Reason ReasonOf(std::error_code error, std::string_view host, std::string_view program) {
  if (error.category() != ProtocolCategory() || error.value() < static_cast<int>(ProtocolFault::BadFrame) ||
      error.value() > static_cast<int>(ProtocolFault::Last))
    return engine::ReasonOf(error);
  const auto fault = static_cast<ProtocolFault>(error.value());
  engine::Reason reason;
  reason.id = static_cast<engine::TextId>(static_cast<int>(engine::TextId::RemoteBadFrame) + error.value() -
                                          static_cast<int>(ProtocolFault::BadFrame));
  reason.args = {std::string(host), std::string(program)};
  if (fault == ProtocolFault::ProgramMissing) {
    reason.advice = engine::TextId::RemoteAdviceInstall;
    reason.adviceArgs = {reason.args[0]};
  } else if (fault == ProtocolFault::VersionMismatch) {
    reason.advice = engine::TextId::RemoteAdviceSameVersion;
  }
  return reason;
}

engine::Reason ReasonOf(const ConnectionFailure& failure, std::string_view host, std::string_view program) {
  engine::Reason reason = ReasonOf(failure.code, host, program);
  if (failure.code == MakeError(ProtocolFault::VersionMismatch)) {
    reason.args.resize(1);
    reason.args.insert(reason.args.end(), failure.args.begin(), failure.args.end());
  }
  reason.detail = failure.detail;
  return reason;
}

}  // namespace orvel::remote
