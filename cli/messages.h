#pragma once

#include "engine/run_message.h"
#include "engine/run_meter.h"
#include "engine/run_plan.h"

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

// What a sync run would do with the listed rows (--dry-run): lines, each
// ending in a line feed.
std::string PlanText(Language language, const engine::RunPlan& plan);
// What a run did: one line without its line feed.
std::string SummaryText(Language language, const engine::RunSummary& summary);
// The figures of the progress line: rows done and found, files and bytes
// copied, speed, time left.
std::string FiguresText(Language language, const engine::ProgressFigures& figures);

}  // namespace orvel::cli
