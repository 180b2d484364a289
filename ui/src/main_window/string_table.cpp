#include "ui/main_window/string_table.h"

#include "ui/main_window/command_ids.h"

#include <QCoreApplication>

namespace orvel::ui {
namespace {

struct Entry {
  int id;
  const char* text;  // prompt, then "\n" and the tooltip when there is one
};

// The program's string table for commands and condition-bar controls.
const Entry kStrings[] = {
    {cmd::kBaseEdit, QT_TRANSLATE_NOOP("StringTable", "基本フォルダを指定します\n基本フォルダ")},
    {cmd::kTargetEdit, QT_TRANSLATE_NOOP("StringTable", "対照フォルダを指定します\n対照フォルダ")},
    {cmd::kCheckExt, QT_TRANSLATE_NOOP("StringTable", "拡張子を含める")},
    {cmd::kExtEdit, QT_TRANSLATE_NOOP("StringTable", "同期に含める拡張子を指定します\n含める拡張子")},
    {cmd::kNoExtEdit, QT_TRANSLATE_NOOP("StringTable", "同期に含めない拡張子を指定します\n含めない拡張子")},
    {cmd::kCheckNoExt, QT_TRANSLATE_NOOP("StringTable", "拡張子を含めない")},
    {cmd::kConditionList, QT_TRANSLATE_NOOP("StringTable", "同期条件\n同期条件")},
    {cmd::kCondiBar, QT_TRANSLATE_NOOP("StringTable", "CondiBar の表示または非表示\nCondiBar の表示/非表示")},
    {cmd::kChooseBase, QT_TRANSLATE_NOOP("StringTable", "基本フォルダ変更\n基本フォルダ変更")},
    {cmd::kChooseTarget, QT_TRANSLATE_NOOP("StringTable", "対照フォルダ変更\n対照フォルダ変更")},
    {cmd::kListCreation, QT_TRANSLATE_NOOP("StringTable", "同期ファイルのリストを作成する（ファイル操作はなし）\n同期ファイルリスト作成")},
    {cmd::kSwapFolders, QT_TRANSLATE_NOOP("StringTable", "基本フォルダと対照フォルダを入れ替える\n基本対照フォルダの入替")},
    {cmd::kSubFolder, QT_TRANSLATE_NOOP("StringTable", "サブフォルダを検索する\nサブフォルダ検索")},
    {cmd::kOptions, QT_TRANSLATE_NOOP("StringTable", "オプション設定\nオプション設定")},
    {cmd::kStop, QT_TRANSLATE_NOOP("StringTable", "処理中止\n処理中止")},
    {cmd::kSyncRun, QT_TRANSLATE_NOOP("StringTable", "同期実行\n同期実行")},
    {cmd::kUpdateSelected, QT_TRANSLATE_NOOP("StringTable", "選択されたファイルを更新する\n選択ファイル更新")},
    {cmd::kPopupCancel, QT_TRANSLATE_NOOP("StringTable", "キャンセル\nキャンセル")},
    {cmd::kProperties, QT_TRANSLATE_NOOP("StringTable", "ファイルプロパティ\nファイルプロパティ")},
    {cmd::kSaveConditions, QT_TRANSLATE_NOOP("StringTable", "同期条件の保存\n同期条件保存")},
    {cmd::kLoadConditions, QT_TRANSLATE_NOOP("StringTable", "同期条件の読込\n同期条件読込")},
    {cmd::kFileOpen, QT_TRANSLATE_NOOP("StringTable", "同期条件の読込\n同期条件読込")},
    {cmd::kLegend, QT_TRANSLATE_NOOP("StringTable", "結果の意味\n結果カラムに表示される記号の意味を表示する")},
    {cmd::kComplete, QT_TRANSLATE_NOOP("StringTable", "同期モードを完全同期モードとする\n完全同期モード")},
    {cmd::kDeleteTrash, QT_TRANSLATE_NOOP("StringTable", "削除はゴミ箱へ移動する\n削除はゴミ箱")},
    {cmd::kRecyclerFolder, QT_TRANSLATE_NOOP("StringTable", "ゴミ箱を同期に含めない\nゴミ箱を同期に含めない")},
    {cmd::kEmptyFolder, QT_TRANSLATE_NOOP("StringTable", "空フォルダを同期に含めない\n空フォルダ検索")},
    {cmd::kSameDisp, QT_TRANSLATE_NOOP("StringTable", "同じファイルは表示しない\n同じファイルは表示しない")},
    {cmd::kIncludeExt, QT_TRANSLATE_NOOP("StringTable", "指定拡張子を同期に含める\n拡張子同期含む")},
    {cmd::kExcludeExt, QT_TRANSLATE_NOOP("StringTable", "指定拡張子を同期に含めない\n拡張子同期含まない")},
    {cmd::kFindTarget, QT_TRANSLATE_NOOP("StringTable", "対照ファイルを探しフォルダを開く\n対照ファイルを探す")},
    {cmd::kFindBase, QT_TRANSLATE_NOOP("StringTable", "基本ファイルを探しフォルダを開く\n基本ファイルを探す")},
    {cmd::kNewCondition, QT_TRANSLATE_NOOP("StringTable", "条件を追加作詞する\n条件新規作成")},
    {cmd::kRenameCondition, QT_TRANSLATE_NOOP("StringTable", "条件名称変更\n条件名称変更")},
    {cmd::kDeleteCondition, QT_TRANSLATE_NOOP("StringTable", "条件削除\n条件削除")},
    {cmd::kForceBase, QT_TRANSLATE_NOOP("StringTable", "日付に関わらず強制的に基本から対照へコピー実行\n強制基本コピー")},
    {cmd::kForceTarget, QT_TRANSLATE_NOOP("StringTable", "日付に関わらず強制的に対照から基本へコピー実行\n強制対照コピー")},
    {cmd::kAbout, QT_TRANSLATE_NOOP("StringTable", "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報")},
    {cmd::kAppExit, QT_TRANSLATE_NOOP("StringTable", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了")},
    {cmd::kViewStatusBar, QT_TRANSLATE_NOOP("StringTable", "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え")},
    {cmd::kEditCopy, QT_TRANSLATE_NOOP("StringTable", "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存\nｺﾋﾟｰ")},
    {cmd::kFilterBar, QT_TRANSLATE_NOOP("StringTable", "種類と名前で表示する行を絞り込む\nフィルタ")},
    {cmd::kShowProblems, QT_TRANSLATE_NOOP("StringTable", "失敗した行と競合した行だけを表示する\n失敗と競合だけ表示")},
};

// The string in the language of the program.
QString Lookup(int id) {
  if (id >= cmd::kRecentFile1 && id <= 57631) return QCoreApplication::translate("StringTable", "指定のﾌｧｲﾙを開く");
  for (const Entry& e : kStrings) {
    if (e.id == id) return QCoreApplication::translate("StringTable", e.text);
  }
  return {};
}

QString Part(int id, bool tooltip) {
  const QString text = Lookup(id);
  const qsizetype cut = text.indexOf(QLatin1Char('\n'));
  if (!tooltip) return cut < 0 ? text : text.left(cut);
  if (cut < 0) return {};
  return text.mid(cut + 1);
}

}  // namespace

QString PromptText(int id) { return Part(id, false); }
QString TooltipText(int id) { return Part(id, true); }

}  // namespace orvel::ui
