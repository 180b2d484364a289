#pragma once

// The program's commands by number: menus, accelerators, toolbar buttons and the
// condition bar's controls all name a command by these numbers.
namespace orvel::ui::cmd {

enum : int {
  kCheckExt = 1021,    // condition bar check box "include only these extensions"
  kCheckNoExt = 1030,  // condition bar check box "leave these extensions out"
  kConditionList = 1047,
  kBaseEdit = 1009,
  kTargetEdit = 1010,
  kExtEdit = 1022,
  kNoExtEdit = 1023,
  kCondiBar = 103,

  kChooseBase = 32771,
  kChooseTarget = 32772,
  kListCreation = 32773,
  kSwapFolders = 32774,
  kSubFolder = 32775,
  kOptions = 32776,
  kStop = 32777,
  kSyncRun = 32779,
  kUpdateSelected = 32780,
  kPopupCancel = 32782,
  kProperties = 32784,
  kSaveConditions = 32786,
  kLoadConditions = 32787,
  kLegend = 32790,
  kExternalTool = 32792,
  kComplete = 32796,
  kDeleteTrash = 32798,
  kRecyclerFolder = 32800,
  kEmptyFolder = 32801,
  kSameDisp = 32804,
  kIncludeExt = 32805,
  kExcludeExt = 32806,
  kFindTarget = 32809,
  kFindBase = 32810,
  kNewCondition = 32811,
  kRenameCondition = 32812,
  kDeleteCondition = 32813,
  kForceBase = 32814,
  kForceTarget = 32815,
  kFilterBar = 32816,  // 表示 › フィルタ (Ctrl+F): the filter bar above the list
  kShowProblems = 32817,  // show only the failed and conflicting lines (offered after a run)

  kFileNew = 57600,
  kFileOpen = 57601,
  kRecentFile1 = 57616,  // 57616 … 57625 for the ten recent files
  kEditCopy = 57634,
  kEditCut = 57635,
  kEditPaste = 57637,
  kEditUndo = 57643,
  kAbout = 57664,
  kAppExit = 57665,
  kNextPane = 57680,
  kPrevPane = 57681,
  kToolBar = 59392,
  kViewStatusBar = 59393,
  kFoundPane = 61204,
};

inline constexpr int kRecentFileCount = 10;

}  // namespace orvel::ui::cmd
