#include "engine/condition.h"

#include <tuple>

namespace orvel::engine {

bool CCondition::operator==(const CCondition& o) const {
  auto fields = [](const CCondition& c) {
    return std::tie(c.aFolder_, c.bFolder_, c.subFolder_, c.sameDisp_, c.chkExt_, c.ext_, c.chkNoExt_, c.noExt_,
                    c.complete_, c.diffTime_, c.diffSel_, c.emptyFolder_, c.recyclerFolder_, c.deleteTrash_, c.name_);
  };
  return fields(*this) == fields(o);
}

}  // namespace orvel::engine
