#pragma once

#include "engine/interfaces.h"
#include "engine/marks.h"
#include "engine/run_message.h"
#include "engine/texts.h"

#include <QString>

#include <system_error>

namespace orvel::ui {

// The texts the desktop program shows for what the engine names: its messages
// and questions, its status lines, the meanings of the result marks, and the
// reasons of failed rows and of folders that cannot be read. Japanese is the
// source; other languages come from the program's translations (for the texts
// shared with orvel-cli, from their one table).
QString Words(engine::TextId id);
QString MessageText(engine::RunMessage message, const engine::MessageArgs& args = {});
QString StatusText(engine::RunStatus status);
QString MarkMeaning(engine::Mark mark);
QString ReasonText(const std::error_code& error);
QString ReasonText(const engine::Reason& reason);
// The question which version of a conflict to keep.
QString ConflictText(const engine::ConflictQuestion& question);

}  // namespace orvel::ui
