#include "storage/working_set.h"

namespace orvel::storage {

void WorkingSet::LoadFrom(const engine::CCondition& condition) {
  AFolder = condition.GetAFolder();
  BFolder = condition.GetBFolder();
  SubFolder = condition.GetSubFolder();
  SameDisp = condition.GetSameDisp();
  ChkExt = condition.GetChkExt();
  Ext = condition.GetExt();
  Complete = condition.GetComplete();
  ChkNoExt = condition.GetChkNoExt();
  NoExt = condition.GetNoExt();
  DiffTime = condition.GetDiffTime();
  DiffSel = condition.GetDiffSel();
  EmptyFolder = condition.GetEmptyFolder();
  RecyclerFolder = condition.GetRecyclerFolder();
  DeleteTrash = condition.GetDeleteTrash();
}

engine::CCondition WorkingSet::ToCondition(const std::string& name) const {
  engine::CCondition condition;
  condition.SetAFolder(AFolder);
  condition.SetBFolder(BFolder);
  condition.SetSubFolder(SubFolder);
  condition.SetSameDisp(SameDisp);
  condition.SetChkExt(ChkExt);
  condition.SetExt(Ext);
  condition.SetComplete(Complete);
  condition.SetChkNoExt(ChkNoExt);
  condition.SetNoExt(NoExt);
  condition.SetDiffTime(DiffTime, DiffSel);
  condition.SetEmptyFolder(EmptyFolder);
  condition.SetRecyclerFolder(RecyclerFolder);
  condition.SetDeleteTrash(DeleteTrash);
  condition.SetName(name);
  return condition;
}

}  // namespace orvel::storage
