#include "ui/startup/application_identity.h"

#include <QCoreApplication>

namespace orvel::ui {

void SetApplicationIdentity() {
  QCoreApplication::setOrganizationName(QStringLiteral("Brelt"));
  QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVEL_VERSION));
}

}  // namespace orvel::ui
