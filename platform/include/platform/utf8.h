#pragma once

#include <cstddef>
#include <string_view>

namespace orvel::platform {

// Length of the valid UTF-8 sequence at text[i], or 0 when the bytes there do
// not form one (overlong forms, surrogates and values above U+10FFFF are not
// valid). File names need not be UTF-8, so every reader checks.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// The same, also giving the character's code point.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& codePoint);

bool IsValidUtf8(std::string_view text);

}  // namespace orvel::platform
