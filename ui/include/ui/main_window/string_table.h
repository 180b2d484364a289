#pragma once

#include <QString>

namespace orvel::ui {

// The status-bar prompt of a command or control (the text before "\n" of its
// string), empty when it has none.
QString PromptText(int id);
// Its tooltip (the text after "\n"), empty when the string has no tooltip part.
QString TooltipText(int id);

}  // namespace orvel::ui
