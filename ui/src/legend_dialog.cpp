// Placeholder until the legend lands; replaced by its implementation.
#include "ui/legend_dialog.h"
namespace orvel::ui {
void ShowLegend(IUserDialogs&, QWidget*) {}
}  // namespace orvel::ui
