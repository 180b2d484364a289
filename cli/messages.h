#pragma once

#include "engine/run_message.h"

#include <string>
#include <string_view>

namespace orvel::cli {

// The language orvel-cli writes its run's messages in.
enum class Language { Japanese, English };

// A run message with its arguments, in the language.
std::string MessageText(Language language, engine::RunMessage message, const engine::MessageArgs& args = {});
// The status line of the progress display.
std::string_view StatusText(Language language, engine::RunStatus status);

}  // namespace orvel::cli
