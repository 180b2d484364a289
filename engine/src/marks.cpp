#include "engine/marks.h"

#include <array>

namespace orvel::engine {

namespace {

constexpr std::array<std::string_view, kMarkCount> kMarkTexts{"=", ">", ">>", "<", "<<", ">=", "<=", "?", "X", "X=",
                                                                   "<X", "<X=", "!"};

}  // namespace

std::string_view MarkText(Mark mark) { return kMarkTexts[static_cast<std::size_t>(mark)]; }

}  // namespace orvel::engine
