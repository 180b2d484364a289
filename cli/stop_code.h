#pragma once

#include "engine/run_message.h"

#include <string_view>
#include <system_error>

namespace orvel::cli {

// The stable lower_snake_case word --json gives for what ended a condition
// before its list was made: the message that told it and the error behind it
// ("folder_missing", "timeout", "host_unreachable", "login_refused", …).
std::string_view StopCode(engine::RunMessage told, std::error_code error);

}  // namespace orvel::cli
