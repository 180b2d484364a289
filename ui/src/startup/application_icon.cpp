#include "ui/startup/application_icon.h"

namespace orvel::ui {

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/orvel/icons/hicolor/%1x%1/apps/orvel.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace orvel::ui
