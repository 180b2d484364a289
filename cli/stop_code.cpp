#include "stop_code.h"

#include "platform/error.h"
#include "remote/protocol.h"

namespace orvel::cli {

namespace {

std::string_view ConnectionCode(remote::ProtocolFault fault) {
  switch (fault) {
    case remote::ProtocolFault::Timeout:
      return "timeout";
    case remote::ProtocolFault::HostUnreachable:
      return "host_unreachable";
    case remote::ProtocolFault::AuthRefused:
      return "login_refused";
    case remote::ProtocolFault::ProgramMissing:
      return "no_far_program";
    case remote::ProtocolFault::VersionMismatch:
      return "version_mismatch";
    case remote::ProtocolFault::NotAServer:
      return "not_a_server";
    case remote::ProtocolFault::ConnectionClosed:
      return "connection_closed";
    case remote::ProtocolFault::FarSideFailed:
      return "far_program_ended";
    case remote::ProtocolFault::HostKeyUnknown:
      return "host_key_unknown";
    case remote::ProtocolFault::HostKeyChanged:
      return "host_key_changed";
    case remote::ProtocolFault::BadFrame:
    case remote::ProtocolFault::UnknownRequest:
    case remote::ProtocolFault::Unsupported:
    case remote::ProtocolFault::NotOpen:
      break;
  }
  return "protocol_error";
}

}  // namespace

std::string_view StopCode(engine::RunMessage told, std::error_code error) {
  switch (told) {
    case engine::RunMessage::TargetMissingAsk:
      return "folder_missing";
    case engine::RunMessage::TargetCannotCreate:
      return "folder_cannot_create";
    case engine::RunMessage::SameFolders:
      return "same_folders";
    case engine::RunMessage::FolderBusyAsk:
      return "folder_busy";
    case engine::RunMessage::FarSideSilent:
      return "timeout";
    default:
      break;
  }
  if (error.category() == remote::ProtocolCategory())
    return ConnectionCode(static_cast<remote::ProtocolFault>(error.value()));
  if (error == platform::MakeError(platform::Fault::Busy)) return "folder_busy";
  if (error == std::errc::no_such_file_or_directory) return "folder_missing";
  if (error == std::errc::not_a_directory) return "not_a_folder";
  if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) return "permission_denied";
  if (error == std::errc::operation_canceled) return "cancelled";
  // A message that says the folder is not there, without an error.
  if (told == engine::RunMessage::BaseMissing || told == engine::RunMessage::TargetNotFolder) return "folder_missing";
  return "folder_unreadable";
}

}  // namespace orvel::cli
