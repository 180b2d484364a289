#pragma once

#include "engine/texts.h"
#include "remote/client.h"

#include <string_view>
#include <system_error>

namespace orvel::remote {

// The reason of an error as the front ends word it: a fault of the connection
// with the host (and the far program) it concerns, else the engine's reason of
// an errno, a platform fault or a conflict.
engine::Reason ReasonOf(std::error_code error, std::string_view host = {}, std::string_view program = "orvel-cli");

// The reason a connection failed: its fault with the host, the program and the
// versions it concerns, what ssh or the far side said as the detail, and what
// to do (install orvel-cli there, the same version on both machines).
engine::Reason ReasonOf(const ConnectionFailure& failure, std::string_view host,
                        std::string_view program = "orvel-cli");

}  // namespace orvel::remote
