#pragma once

#include <QHash>
#include <QString>
#include <QTranslator>

namespace orvel::ui {

// The English of the texts the two programs share (engine::TextCatalogue) as a
// Qt translator: it answers the context "Catalogue", whose source texts are the
// table's Japanese and whose disambiguations are its keys.
class CatalogueTranslator : public QTranslator {
 public:
  static constexpr const char* kContext = "Catalogue";

  CatalogueTranslator();
  QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                    int n = -1) const override;
  bool isEmpty() const override { return false; }

 private:
  QHash<QByteArray, QString> english_;
};

}  // namespace orvel::ui
