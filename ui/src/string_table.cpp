#include "ui/string_table.h"

#include "ui/command_ids.h"

#include <string_view>

namespace orvel::ui {
namespace {

struct Entry {
  int id;
  std::string_view text;  // prompt, then "\n" and the tooltip when there is one
};

// The program's string table for commands and condition-bar controls.
constexpr Entry kStrings[] = {
    {cmd::kBaseEdit, "基本フォルダを指定します\n基本フォルダ"},
    {cmd::kTargetEdit, "対照フォルダを指定します\n対照フォルダ"},
    {cmd::kCheckExt, "拡張子を含める"},
    {cmd::kExtEdit, "同期に含める拡張子を指定します\n含める拡張子"},
    {cmd::kNoExtEdit, "同期に含めない拡張子を指定します\n含めない拡張子"},
    {cmd::kCheckNoExt, "拡張子を含めない"},
    {cmd::kConditionList, "同期条件\n同期条件"},
    {cmd::kCondiBar, "CondiBar の表示または非表示\nCondiBar の表示/非表示"},
    {cmd::kChooseBase, "基本フォルダ変更\n基本フォルダ変更"},
    {cmd::kChooseTarget, "対照フォルダ変更\n対照フォルダ変更"},
    {cmd::kListCreation, "同期ファイルのリストを作成する（ファイル操作はなし）\n同期ファイルリスト作成"},
    {cmd::kSwapFolders, "基本フォルダと対照フォルダを入れ替える\n基本対照フォルダの入替"},
    {cmd::kSubFolder, "サブフォルダを検索する\nサブフォルダ検索"},
    {cmd::kOptions, "オプション設定\nオプション設定"},
    {cmd::kStop, "処理中止\n処理中止"},
    {cmd::kSyncRun, "同期実行\n同期実行"},
    {cmd::kUpdateSelected, "選択されたファイルを更新する\n選択ファイル更新"},
    {cmd::kPopupCancel, "キャンセル\nキャンセル"},
    {cmd::kProperties, "ファイルプロパティ\nファイルプロパティ"},
    {cmd::kSaveConditions, "同期条件の保存\n同期条件保存"},
    {cmd::kLoadConditions, "同期条件の読込\n同期条件読込"},
    {cmd::kFileOpen, "同期条件の読込\n同期条件読込"},
    {cmd::kLegend, "結果の意味\n結果カラムに表示される記号の意味を表示する"},
    {cmd::kComplete, "同期モードを完全同期モードとする\n完全同期モード"},
    {cmd::kDeleteTrash, "削除はゴミ箱へ移動する\n削除はゴミ箱"},
    {cmd::kRecyclerFolder, "ゴミ箱を同期に含めない\nゴミ箱を同期に含めない"},
    {cmd::kEmptyFolder, "空フォルダを同期に含めない\n空フォルダ検索"},
    {cmd::kSameDisp, "同じファイルは表示しない\n同じファイルは表示しない"},
    {cmd::kIncludeExt, "指定拡張子を同期に含める\n拡張子同期含む"},
    {cmd::kExcludeExt, "指定拡張子を同期に含めない\n拡張子同期含まない"},
    {cmd::kFindTarget, "対照ファイルを探しフォルダを開く\n対照ファイルを探す"},
    {cmd::kFindBase, "基本ファイルを探しフォルダを開く\n基本ファイルを探す"},
    {cmd::kNewCondition, "条件を追加作詞する\n条件新規作成"},
    {cmd::kRenameCondition, "条件名称変更\n条件名称変更"},
    {cmd::kDeleteCondition, "条件削除\n条件削除"},
    {cmd::kForceBase, "日付に関わらず強制的に基本から対照へコピー実行\n強制基本コピー"},
    {cmd::kForceTarget, "日付に関わらず強制的に対照から基本へコピー実行\n強制対照コピー"},
    {cmd::kAbout, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"},
    {cmd::kAppExit, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了"},
    {cmd::kViewStatusBar, "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
    {cmd::kEditCopy, "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟｰ"},
};

std::string_view Lookup(int id) {
  if (id >= cmd::kRecentFile1 && id <= 57631) return "指定のﾌｧｲﾙを開く";
  for (const Entry& e : kStrings) {
    if (e.id == id) return e.text;
  }
  return {};
}

QString Part(int id, bool tooltip) {
  std::string_view text = Lookup(id);
  std::size_t cut = text.find('\n');
  if (!tooltip) return QString::fromUtf8(text.substr(0, cut));
  if (cut == std::string_view::npos) return {};
  return QString::fromUtf8(text.substr(cut + 1));
}

}  // namespace

QString PromptText(int id) { return Part(id, false); }
QString TooltipText(int id) { return Part(id, true); }

}  // namespace orvel::ui
