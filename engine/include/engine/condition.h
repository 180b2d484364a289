#pragma once

#include <string>

namespace orvel::engine {

// The options of one folder pair, named as they are stored. The defaults are
// those of a newly made record; the field table of storage/ says how each is
// saved and what it defaults to elsewhere.
struct ConditionFields {
  std::string AFolder;     // base folder, as typed
  std::string BFolder;     // target folder, as typed
  int SubFolder = 1;       // subfolders take part
  int SameDisp = 1;        // identical pairs get a row
  int ChkExt = 0;          // only the extensions in Ext take part (wins over ChkNoExt)
  std::string Ext;         // extensions, separated by blanks
  int ChkNoExt = 0;        // the extensions in NoExt are left out
  std::string NoExt;
  int Complete = 0;        // complete sync: target-only entries are deleted
  int DiffTime = 0;        // time tolerance: amount …
  int DiffSel = 0;         // … and unit (0 s, 1 min, 2 h, 3 days)
  int EmptyFolder = 0;     // empty folders take part
  int RecyclerFolder = 1;  // recycle-bin folders are skipped
  int DeleteTrash = 0;     // deletions go to the trash
  int Memory = 0;          // normal mode remembers the last sync: deletions travel, concurrent edits stop

  friend bool operator==(const ConditionFields&, const ConditionFields&) = default;
};

// One named folder pair with its options. A plain value: it checks nothing; a
// run validates and normalises what it uses.
struct CCondition : ConditionFields {
  std::string Name;  // a display name, not a key: names may repeat

  friend bool operator==(const CCondition&, const CCondition&) = default;
};

}  // namespace orvel::engine
