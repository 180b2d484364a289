#include "engine/marks.h"

#include <array>

namespace orvel::engine {

namespace {

struct MarkInfo {
  std::string_view text;
  std::string_view legend;
};

constexpr std::array<MarkInfo, kMarkCount> kMarks{{
    {"=", "同じ"},
    {">", "基本フォルダが新しい"},
    {">>", "基本フォルダにしかファイルが存在しない"},
    {"<", "対照フォルダが新しい"},
    {"<<", "対照フォルダにしかファイルが存在しない"},
    {">=", "基本が新しく同期済み"},
    {"<=", "対照が新しく同期済み"},
    {"?", "同期失敗"},
    {"X", "完全同期 削除予定（対照フォルダのファイル）"},
    {"X=", "完全同期 削除済み（対照フォルダのファイル）"},
}};

}  // namespace

std::string_view MarkText(Mark mark) { return kMarks[static_cast<std::size_t>(mark)].text; }
std::string_view MarkLegend(Mark mark) { return kMarks[static_cast<std::size_t>(mark)].legend; }

}  // namespace orvel::engine
