#include "ui/main_window/toolbar_icons.h"

#include "ui/main_window/command_ids.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace orvel::ui {
namespace {

// The colours of one set of pictures. Outlines take the palette's text colour
// and sheets its base, so that both read on a light and on a dark theme; the
// accents are lighter on a dark one.
struct Inks {
  explicit Inks(const QPalette& palette) {
    ink = palette.color(QPalette::Active, QPalette::WindowText);
    paper = palette.color(QPalette::Active, QPalette::Base);
    lines = palette.color(QPalette::Active, QPalette::Text);
    const bool dark = palette.color(QPalette::Active, QPalette::Window).lightness() < 128;
    for (QColor* accent : {&blue, &green, &red}) {
      if (dark) *accent = accent->lighter(170);
    }
  }
  QColor ink;
  QColor paper;
  QColor lines;
  QColor folder{232, 184, 60};
  QColor blue{40, 90, 200};
  QColor green{30, 150, 60};
  QColor red{200, 40, 40};
  QColor bin{190, 190, 200};
};

void Folder(QPainter& p, const Inks& k, bool filled) {
  p.setPen(QPen(k.ink, 1));
  p.setBrush(filled ? k.folder : Qt::NoBrush);
  QPainterPath path;
  path.moveTo(1.5, 4.5);
  path.lineTo(6.5, 4.5);
  path.lineTo(7.5, 5.5);
  path.lineTo(14.5, 5.5);
  path.lineTo(14.5, 13.5);
  path.lineTo(1.5, 13.5);
  path.closeSubpath();
  p.drawPath(path);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
  p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  QPointF d = to - from;
  const double length = std::max(1.0, std::hypot(d.x(), d.y()));
  d /= length;
  const QPointF n(-d.y(), d.x());
  p.setBrush(color);
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygonF({to + d * 2, to - d * 3 + n * 3, to - d * 3 - n * 3}));
}

void Trash(QPainter& p, const Inks& k) {
  p.setPen(QPen(k.ink, 1));
  p.setBrush(k.bin);
  p.drawRect(QRectF(4.5, 5.5, 7, 9));
  p.drawLine(QPointF(2.5, 3.5), QPointF(13.5, 3.5));
  p.drawLine(QPointF(6.5, 1.5), QPointF(9.5, 1.5));
  for (double x : {6.5, 8.0, 9.5}) p.drawLine(QPointF(x, 7), QPointF(x, 13));
}

void Page(QPainter& p, const Inks& k, QRectF r) {
  p.setPen(QPen(k.ink, 1));
  p.setBrush(k.paper);
  p.drawRect(r);
  p.setPen(QPen(k.lines, 1));
  for (double y = r.top() + 2.5; y < r.bottom() - 1; y += 2) p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void Draw(QPainter& p, const Inks& k, int id) {
  switch (id) {
    case cmd::kLoadConditions:
      Folder(p, k, true);
      Arrow(p, QPointF(8, 12), QPointF(8, 2), k.green);
      break;
    case cmd::kSaveConditions:
      p.setPen(QPen(k.ink, 1));
      p.setBrush(k.blue);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setBrush(k.paper);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.drawRect(QRectF(3.5, 9.5, 9, 5));
      break;
    case cmd::kListCreation:
      Page(p, k, QRectF(1.5, 1.5, 10, 13));
      p.setPen(QPen(k.ink, 2));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(10.5, 10.5), 3, 3);
      p.drawLine(QPointF(12.7, 12.7), QPointF(15, 15));
      break;
    case cmd::kSyncRun:
      Arrow(p, QPointF(2, 5), QPointF(12, 5), k.red);
      Arrow(p, QPointF(14, 11), QPointF(4, 11), k.blue);
      break;
    case cmd::kOptions:
      p.setPen(QPen(k.ink, 1));
      for (int i = 0; i < 3; ++i) {
        const double y = 3.5 + i * 4.5;
        p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
        p.setBrush(i == 1 ? k.red : k.blue);
        p.drawRect(QRectF(3.5 + i * 4, y - 2, 3, 4));
      }
      break;
    case cmd::kComplete:
      Page(p, k, QRectF(0.5, 2.5, 6, 11));
      Page(p, k, QRectF(9.5, 2.5, 6, 11));
      p.setPen(QPen(k.green, 1.5));
      p.drawLine(QPointF(6.5, 7), QPointF(9.5, 7));
      p.drawLine(QPointF(6.5, 9.5), QPointF(9.5, 9.5));
      break;
    case cmd::kDeleteTrash:
      Trash(p, k);
      break;
    case cmd::kSubFolder:
      p.setPen(QPen(k.ink, 1));
      p.drawLine(QPointF(3.5, 4), QPointF(3.5, 12.5));
      p.drawLine(QPointF(3.5, 8.5), QPointF(7, 8.5));
      p.drawLine(QPointF(3.5, 12.5), QPointF(7, 12.5));
      p.setBrush(k.folder);
      p.drawRect(QRectF(1.5, 1.5, 5, 3));
      p.drawRect(QRectF(7.5, 7, 6, 3));
      p.drawRect(QRectF(7.5, 11, 6, 3));
      break;
    case cmd::kSameDisp:
      p.setPen(Qt::NoPen);
      p.setBrush(k.ink);
      p.drawRect(QRectF(3, 5, 10, 2));
      p.drawRect(QRectF(3, 9, 10, 2));
      break;
    case cmd::kRecyclerFolder:
      Trash(p, k);
      p.setPen(QPen(k.red, 1.5));
      p.drawLine(QPointF(1, 15), QPointF(15, 1));
      break;
    case cmd::kEmptyFolder:
      Folder(p, k, false);
      break;
    case cmd::kEditCopy:
      Page(p, k, QRectF(1.5, 1.5, 8, 10));
      Page(p, k, QRectF(6.5, 4.5, 8, 10));
      break;
    case cmd::kAbout:
      p.setPen(QPen(k.blue, 1.5));
      p.setBrush(k.paper);
      p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      p.setPen(k.lines);
      p.setFont(QFont(p.font().family(), 8, QFont::Bold));
      p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
      break;
    default:
      break;
  }
}

}  // namespace

QIcon ToolbarIcon(int commandId, const QPalette& palette) {
  const Inks inks(palette);
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    Draw(painter, inks, commandId);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace orvel::ui
