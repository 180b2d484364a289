#include "storage/field_table.h"

namespace orvel::storage {

void ClearConditionFields(engine::ConditionFields& fields) {
  for (const Field& field : kFields) {
    if (int* number = NumberIn(field, fields)) *number = 0;
    if (std::string* text = TextIn(field, fields)) text->clear();
  }
}

}  // namespace orvel::storage
