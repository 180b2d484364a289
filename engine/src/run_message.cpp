#include "engine/run_message.h"

namespace orvel::engine {


std::string FillArguments(std::string_view text, const MessageArgs& args) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto k = static_cast<std::size_t>(text[i + 1] - '1');
      if (k < args.size()) out += args[k];
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}


}  // namespace orvel::engine
