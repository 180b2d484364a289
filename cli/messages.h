#pragma once

#include "engine/run_message.h"

#include <string>
#include <string_view>

namespace orvel::cli {

// The language orvel-cli writes its run's messages in.
enum class Language { Japanese, English };

// "ja" or "en", in any case and with any region or encoding after it
// ("en_US.UTF-8"), into the language; false for any other text.
bool ParseLanguage(std::string_view value, Language& language);

// A run message with its arguments, in the language.
std::string MessageText(Language language, engine::RunMessage message, const engine::MessageArgs& args = {});
// What a MetadataSkipped notice names ("mode", "owner", …) in words.
std::string_view SkippedText(Language language, std::string_view what);
// The status line of the progress display.
std::string_view StatusText(Language language, engine::RunStatus status);

}  // namespace orvel::cli
