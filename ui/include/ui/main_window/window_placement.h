#pragma once

#include <QMargins>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

namespace orvel::ui {

// The main window's placement as kept in "Settings/WindowPos": ten integers
// "%i:%i:%i:%i:%i:%i:%i:%i:%i:%i" — flags, show state (1 normal, 2 minimised,
// 3 maximised), the minimised and maximised positions (-1 here), and the normal
// rectangle's left, top, right, bottom.
struct WindowPlacement {
  static constexpr int kShowNormal = 1;
  static constexpr int kShowMinimised = 2;
  static constexpr int kShowMaximised = 3;

  int flags = 0;
  int showState = kShowNormal;
  int minX = -1, minY = -1, maxX = -1, maxY = -1;
  // normal.left(), top(), right() and bottom() are the four stored numbers.
  // The stored right and bottom are exclusive edges (width = right - left), so
  // use NormalGeometry()/SetNormalGeometry() to convert from and to a widget's
  // geometry rather than this QRect's own width() and height().
  QRect normal;

  // The normal rectangle as a widget geometry (x, y, width, height).
  QRect NormalGeometry() const;
  void SetNormalGeometry(const QRect& geometry);
};

// The ten numbers joined by ":", each as a signed decimal.
QString FormatWindowPlacement(const WindowPlacement& placement);
// Nothing unless the text is exactly ten signed decimal integers (each fitting
// an int) joined by ":" — no blanks, no other characters, nothing after the last.
std::optional<WindowPlacement> ParseWindowPlacement(const QString& text);

// The top-level window's placement as the close handler saves it: flags 0, the
// window's show state and its normal (restored) geometry.
WindowPlacement CapturePlacement(const QWidget& window);
// Applies a saved placement to a top-level window that is not shown yet: its
// normal geometry, and, when it was closed maximised, the maximised state, which
// takes effect once the window is shown. A window closed minimised opens in its
// normal position. A placement whose rectangle has no area is ignored (false).
// The window, its frame included, ends up within the available area of the
// screen it was closed on (the primary one when that is gone): moved in, and
// made smaller when it is larger than the area.
bool RestorePlacement(QWidget& window, const WindowPlacement& placement);

// Where a window opens that has no saved placement: the size it asks for, cut
// to the available screen area less the frame, and centred in it.
QRect FirstPlacement(const QSize& wanted, const QRect& available, const QMargins& frame = {});

// The window geometry (without frame) nearest to `geometry` whose frame lies
// within `available`: no larger than the area leaves, moved in where it stood out.
QRect FitWithin(const QRect& geometry, const QRect& available, const QMargins& frame);

// The frame the window manager puts around the window: its own when the
// window has one already, else an estimate (a title bar and thin borders).
QMargins FrameMargins(const QWidget& window);

}  // namespace orvel::ui
