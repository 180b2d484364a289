#pragma once

#include <string>
#include <string_view>

namespace orvel::platform {

// Each character of valid UTF-8 replaced by its simple upper-case mapping
// (Unicode's one-to-one mapping, the same in every locale: "ß" stays, "ı"
// becomes "I"). Bytes that are not valid UTF-8 stay as they are, since file
// names need not be UTF-8.
std::string UpperCaseUtf8(std::string_view text);

}  // namespace orvel::platform
