// Placeholder until the About box lands; replaced by its implementation.
#include "ui/about_dialog.h"
namespace orvel::ui {
void ShowAbout(IUserDialogs&, QWidget*) {}
}  // namespace orvel::ui
