#include "ui/toolbar_icons.h"

#include "ui/command_ids.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace orvel::ui {
namespace {

const QColor kInk(40, 40, 40);
const QColor kFolder(232, 184, 60);
const QColor kBlue(40, 90, 200);
const QColor kGreen(30, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kPaper(250, 250, 250);

void Folder(QPainter& p, bool filled) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(filled ? kFolder : Qt::NoBrush);
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

void Trash(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(190, 190, 200));
  p.drawRect(QRectF(4.5, 5.5, 7, 9));
  p.drawLine(QPointF(2.5, 3.5), QPointF(13.5, 3.5));
  p.drawLine(QPointF(6.5, 1.5), QPointF(9.5, 1.5));
  for (double x : {6.5, 8.0, 9.5}) p.drawLine(QPointF(x, 7), QPointF(x, 13));
}

void Page(QPainter& p, QRectF r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(r);
  for (double y = r.top() + 2.5; y < r.bottom() - 1; y += 2) p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void Draw(QPainter& p, int id) {
  switch (id) {
    case cmd::kLoadConditions:
      Folder(p, true);
      Arrow(p, QPointF(8, 12), QPointF(8, 2), kGreen);
      break;
    case cmd::kSaveConditions:
      p.setPen(QPen(kInk, 1));
      p.setBrush(kBlue);
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setBrush(kPaper);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.drawRect(QRectF(3.5, 9.5, 9, 5));
      break;
    case cmd::kListCreation:
      Page(p, QRectF(1.5, 1.5, 10, 13));
      p.setPen(QPen(kInk, 2));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(10.5, 10.5), 3, 3);
      p.drawLine(QPointF(12.7, 12.7), QPointF(15, 15));
      break;
    case cmd::kSyncRun:
      Arrow(p, QPointF(2, 5), QPointF(12, 5), kRed);
      Arrow(p, QPointF(14, 11), QPointF(4, 11), kBlue);
      break;
    case cmd::kOptions:
      p.setPen(QPen(kInk, 1));
      for (int i = 0; i < 3; ++i) {
        const double y = 3.5 + i * 4.5;
        p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
        p.setBrush(i == 1 ? kRed : kBlue);
        p.drawRect(QRectF(3.5 + i * 4, y - 2, 3, 4));
      }
      break;
    case cmd::kComplete:
      Page(p, QRectF(0.5, 2.5, 6, 11));
      Page(p, QRectF(9.5, 2.5, 6, 11));
      p.setPen(QPen(kGreen, 1.5));
      p.drawLine(QPointF(6.5, 7), QPointF(9.5, 7));
      p.drawLine(QPointF(6.5, 9.5), QPointF(9.5, 9.5));
      break;
    case cmd::kDeleteTrash:
      Trash(p);
      break;
    case cmd::kSubFolder:
      p.setPen(QPen(kInk, 1));
      p.drawLine(QPointF(3.5, 4), QPointF(3.5, 12.5));
      p.drawLine(QPointF(3.5, 8.5), QPointF(7, 8.5));
      p.drawLine(QPointF(3.5, 12.5), QPointF(7, 12.5));
      p.setBrush(kFolder);
      p.drawRect(QRectF(1.5, 1.5, 5, 3));
      p.drawRect(QRectF(7.5, 7, 6, 3));
      p.drawRect(QRectF(7.5, 11, 6, 3));
      break;
    case cmd::kSameDisp:
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      p.drawRect(QRectF(3, 5, 10, 2));
      p.drawRect(QRectF(3, 9, 10, 2));
      break;
    case cmd::kRecyclerFolder:
      Trash(p);
      p.setPen(QPen(kRed, 1.5));
      p.drawLine(QPointF(1, 15), QPointF(15, 1));
      break;
    case cmd::kEmptyFolder:
      Folder(p, false);
      break;
    case cmd::kEditCopy:
      Page(p, QRectF(1.5, 1.5, 8, 10));
      Page(p, QRectF(6.5, 4.5, 8, 10));
      break;
    case cmd::kAbout:
      p.setPen(QPen(kBlue, 1.5));
      p.setBrush(kPaper);
      p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      p.setFont(QFont(p.font().family(), 8, QFont::Bold));
      p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
      break;
    default:
      break;
  }
}

}  // namespace

QIcon ToolbarIcon(int commandId) {
  QIcon icon;
  for (int scale : {1, 2}) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    Draw(painter, commandId);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace orvel::ui
