#include "ui/main_window/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <array>
#include <charconv>

namespace orvel::ui {
namespace {

constexpr int kFieldCount = 10;

// A signed decimal that fits an int: an optional sign, then digits only.
std::optional<int> ParseField(const QString& field) {
  const QByteArray bytes = field.toLatin1();
  const char* begin = bytes.constData();
  const char* end = begin + bytes.size();
  const char* digits = begin;
  if (digits != end && (*digits == '+' || *digits == '-')) ++digits;
  if (digits == end) return std::nullopt;
  for (const char* c = digits; c != end; ++c) {
    if (*c < '0' || *c > '9') return std::nullopt;
  }
  // from_chars takes a leading "-" but not a "+".
  if (*begin == '+') ++begin;
  int value = 0;
  const auto [ptr, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

QRect WindowPlacement::NormalGeometry() const {
  return QRect(normal.left(), normal.top(), normal.right() - normal.left(), normal.bottom() - normal.top());
}

void WindowPlacement::SetNormalGeometry(const QRect& geometry) {
  normal = QRect(QPoint(geometry.x(), geometry.y()),
                 QPoint(geometry.x() + geometry.width(), geometry.y() + geometry.height()));
}

QString FormatWindowPlacement(const WindowPlacement& p) {
  const std::array<int, kFieldCount> fields = {p.flags,          p.showState,      p.minX,          p.minY,
                                               p.maxX,           p.maxY,           p.normal.left(), p.normal.top(),
                                               p.normal.right(), p.normal.bottom()};
  QStringList texts;
  for (int field : fields) texts.append(QString::number(field));
  return texts.join(u':');
}

std::optional<WindowPlacement> ParseWindowPlacement(const QString& text) {
  const QStringList texts = text.split(u':');
  if (texts.size() != kFieldCount) return std::nullopt;
  std::array<int, kFieldCount> fields{};
  for (int i = 0; i < kFieldCount; ++i) {
    const std::optional<int> field = ParseField(texts[i]);
    if (!field) return std::nullopt;
    fields[static_cast<std::size_t>(i)] = *field;
  }
  WindowPlacement p;
  p.flags = fields[0];
  p.showState = fields[1];
  p.minX = fields[2];
  p.minY = fields[3];
  p.maxX = fields[4];
  p.maxY = fields[5];
  p.normal = QRect(QPoint(fields[6], fields[7]), QPoint(fields[8], fields[9]));
  return p;
}

WindowPlacement CapturePlacement(const QWidget& window) {
  WindowPlacement p;
  if (window.isMinimized()) {
    p.showState = WindowPlacement::kShowMinimised;
  } else if (window.isMaximized()) {
    p.showState = WindowPlacement::kShowMaximised;
  }
  // normalGeometry() is empty for a window that was never shown; its geometry
  // is then the one it would open with.
  const QRect normal = window.normalGeometry();
  p.SetNormalGeometry(normal.isValid() ? normal : window.geometry());
  return p;
}

bool RestorePlacement(QWidget& window, const WindowPlacement& placement) {
  QRect geometry = placement.NormalGeometry();
  if (geometry.width() <= 0 || geometry.height() <= 0) return false;
  // The screen the window was closed on may be gone, or smaller now (another
  // resolution, another scale).
  const QScreen* home = nullptr;
  int overlap = 0;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect common = screen->availableGeometry() & geometry;
    if (!common.isEmpty() && common.width() * common.height() > overlap) {
      overlap = common.width() * common.height();
      home = screen;
    }
  }
  if (!home) {
    home = QGuiApplication::primaryScreen();
    if (home) geometry.moveTopLeft(home->availableGeometry().topLeft());
  }
  if (home) geometry = FitWithin(geometry, home->availableGeometry(), FrameMargins(window));
  window.setGeometry(geometry);
  if (placement.showState == WindowPlacement::kShowMaximised) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
  }
  return true;
}

QRect FirstPlacement(const QSize& wanted, const QRect& available, const QMargins& frame) {
  const QRect inner = available.marginsRemoved(frame);
  QRect geometry(QPoint(0, 0), wanted.boundedTo(inner.size()));
  geometry.moveCenter(inner.center());
  return geometry;
}

QRect FitWithin(const QRect& geometry, const QRect& available, const QMargins& frame) {
  const QRect inner = available.marginsRemoved(frame);
  QRect fitted(geometry.topLeft(), geometry.size().boundedTo(inner.size()));
  if (fitted.right() > inner.right()) fitted.moveRight(inner.right());
  if (fitted.bottom() > inner.bottom()) fitted.moveBottom(inner.bottom());
  if (fitted.left() < inner.left()) fitted.moveLeft(inner.left());
  if (fitted.top() < inner.top()) fitted.moveTop(inner.top());
  return fitted;
}

QMargins FrameMargins(const QWidget& window) {
  if (const QWindow* handle = window.windowHandle(); handle && handle->isVisible()) {
    const QMargins margins = handle->frameMargins();
    if (!margins.isNull()) return margins;
  }
  // Not shown yet: a title bar and borders as most window managers draw them.
  const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
  const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight);
  return QMargins(border, title + border, border, border);
}

}  // namespace orvel::ui
