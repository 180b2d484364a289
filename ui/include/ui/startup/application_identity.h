#pragma once

namespace orvel::ui {

// Names the program for QSettings and the desktop: organisation "Brelt",
// application "Orvel", the version. Call right after creating the QApplication.
void SetApplicationIdentity();

}  // namespace orvel::ui
