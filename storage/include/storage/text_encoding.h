#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvel::storage {

bool IsValidUtf8(std::string_view text);

// Decodes CP932 (Shift-JIS as Windows writes it) to UTF-8; nullopt when the
// bytes are not valid CP932 either.
std::optional<std::string> Cp932ToUtf8(std::string_view text);

}  // namespace orvel::storage
