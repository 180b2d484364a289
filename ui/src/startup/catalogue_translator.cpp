#include "ui/startup/catalogue_translator.h"

#include "engine/texts.h"

#include <cstring>

namespace orvel::ui {

CatalogueTranslator::CatalogueTranslator() {
  for (const engine::TextEntry& entry : engine::TextCatalogue())
    english_.insert(QByteArray(entry.key), QString::fromUtf8(entry.english));
}

QString CatalogueTranslator::translate(const char* context, const char* /*sourceText*/, const char* disambiguation,
                                       int /*n*/) const {
  if (!context || !disambiguation || std::strcmp(context, kContext) != 0) return {};
  return english_.value(QByteArray(disambiguation));
}

}  // namespace orvel::ui
