#pragma once

#include "engine/condition.h"

#include <string>

namespace orvel::storage {

// The fields of the current condition as the condition bar, the toggles and the
// options sheet edit them, plus the four global options that belong to no
// condition. The name is not part of it.
struct WorkingSet {
  std::string AFolder;
  std::string BFolder;
  int SubFolder = 1;
  int SameDisp = 1;
  int ChkExt = 0;
  std::string Ext;
  int Complete = 0;
  int ChkNoExt = 0;
  std::string NoExt;
  int DiffTime = 0;
  int DiffSel = 0;
  int EmptyFolder = 0;
  int RecyclerFolder = 1;
  int DeleteTrash = 0;
  // Global options.
  int DblClk = 1;
  int ConfDlg = 1;
  std::string ExeName1;
  std::string ExePath1;

  // Copies the 14 condition fields of a condition in.
  void LoadFrom(const engine::CCondition& condition);
  // A condition of the 14 condition fields with the given name.
  engine::CCondition ToCondition(const std::string& name) const;
};

}  // namespace orvel::storage
