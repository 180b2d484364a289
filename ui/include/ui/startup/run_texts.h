#pragma once

#include "engine/interfaces.h"
#include "engine/marks.h"
#include "engine/run_message.h"

#include <QString>

#include <system_error>

namespace orvel::ui {

// The texts the desktop program shows for what the engine names: its messages
// and questions, its status lines, the meanings of the result marks, and the
// reasons of failed rows (the program's own in its language, the system's as
// the system words them). Japanese is the source; other languages come from the
// program's translations.
QString MessageText(engine::RunMessage message, const engine::MessageArgs& args = {});
QString StatusText(engine::RunStatus status);
QString MarkMeaning(engine::Mark mark);
QString ReasonText(const std::error_code& error);

}  // namespace orvel::ui
