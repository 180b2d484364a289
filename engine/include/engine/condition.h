#pragma once

#include <string>

namespace orvel::engine {

// One named folder pair with its per-condition options. A plain value: copying
// copies every field, the name included. It checks nothing; a run validates and
// normalises what it uses.
class CCondition {
 public:
  CCondition() = default;
  CCondition(const CCondition&) = default;
  CCondition& operator=(const CCondition&) = default;
  virtual ~CCondition() = default;

  const std::string& GetAFolder() const { return aFolder_; }
  void SetAFolder(const std::string& v) { aFolder_ = v; }
  const std::string& GetBFolder() const { return bFolder_; }
  void SetBFolder(const std::string& v) { bFolder_ = v; }
  int GetSubFolder() const { return subFolder_; }
  void SetSubFolder(int v) { subFolder_ = v; }
  int GetSameDisp() const { return sameDisp_; }
  void SetSameDisp(int v) { sameDisp_ = v; }
  int GetChkExt() const { return chkExt_; }
  void SetChkExt(int v) { chkExt_ = v; }
  const std::string& GetExt() const { return ext_; }
  void SetExt(const std::string& v) { ext_ = v; }
  int GetChkNoExt() const { return chkNoExt_; }
  void SetChkNoExt(int v) { chkNoExt_ = v; }
  const std::string& GetNoExt() const { return noExt_; }
  void SetNoExt(const std::string& v) { noExt_ = v; }
  int GetComplete() const { return complete_; }
  void SetComplete(int v) { complete_ = v; }
  int GetDiffTime() const { return diffTime_; }
  int GetDiffSel() const { return diffSel_; }
  // The amount and unit of the tolerance are written together.
  void SetDiffTime(int time, int sel) {
    diffTime_ = time;
    diffSel_ = sel;
  }
  int GetEmptyFolder() const { return emptyFolder_; }
  void SetEmptyFolder(int v) { emptyFolder_ = v; }
  int GetRecyclerFolder() const { return recyclerFolder_; }
  void SetRecyclerFolder(int v) { recyclerFolder_ = v; }
  int GetDeleteTrash() const { return deleteTrash_; }
  void SetDeleteTrash(int v) { deleteTrash_ = v; }
  const std::string& GetName() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }

  // Field-by-field equality, the name included.
  bool operator==(const CCondition& other) const;

 private:
  std::string aFolder_;
  std::string bFolder_;
  int subFolder_ = 1;
  int sameDisp_ = 1;
  int chkExt_ = 0;
  std::string ext_;
  int chkNoExt_ = 0;
  std::string noExt_;
  int complete_ = 0;
  int diffTime_ = 0;
  int diffSel_ = 0;
  int emptyFolder_ = 0;
  int recyclerFolder_ = 1;
  int deleteTrash_ = 0;
  std::string name_;
};

}  // namespace orvel::engine
