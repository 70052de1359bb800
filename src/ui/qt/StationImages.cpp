#include "ui/qt/StationImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace uiqt {
namespace {

void RoundedTile(QPainter& painter, const QRectF& area, const QColor& color) {
  painter.setPen(QPen(color.darker(150), 1.5));
  painter.setBrush(color);
  painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), area.width() / 6, area.height() / 6);
}

void DrawIcon(QPainter& painter, int id, const QRectF& area) {
  const qreal w = area.width();
  const qreal h = area.height();
  const QPointF c = area.center();
  QPen white(Qt::white, std::max<qreal>(2.0, w / 10), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  switch (id) {
    case 200: {  // reload: a circular arrow
      RoundedTile(painter, area, QColor(40, 110, 200));
      painter.setPen(white);
      painter.setBrush(Qt::NoBrush);
      const QRectF ring(c.x() - w * 0.28, c.y() - h * 0.28, w * 0.56, h * 0.56);
      painter.drawArc(ring, 60 * 16, 280 * 16);
      QPainterPath head;
      head.moveTo(c.x() + w * 0.16, c.y() - h * 0.36);
      head.lineTo(c.x() + w * 0.30, c.y() - h * 0.22);
      head.lineTo(c.x() + w * 0.10, c.y() - h * 0.16);
      painter.drawPath(head);
      break;
    }
    case 141: {  // QC: a check mark
      RoundedTile(painter, area, QColor(40, 160, 70));
      painter.setPen(white);
      painter.drawPolyline(QPolygonF{QPointF(area.left() + w * 0.22, c.y()), QPointF(c.x() - w * 0.06, area.bottom() - h * 0.25),
                                     QPointF(area.right() - w * 0.2, area.top() + h * 0.25)});
      break;
    }
    case 194: {  // pretest: a gauge
      RoundedTile(painter, area, QColor(230, 140, 30));
      painter.setPen(white);
      painter.setBrush(Qt::NoBrush);
      painter.drawArc(QRectF(c.x() - w * 0.3, c.y() - h * 0.2, w * 0.6, h * 0.6), 0, 180 * 16);
      painter.drawLine(QPointF(c.x(), c.y() + h * 0.1), QPointF(c.x() + w * 0.18, c.y() - h * 0.12));
      break;
    }
    case 134: {  // clear record: a cross
      RoundedTile(painter, area, QColor(200, 50, 50));
      painter.setPen(white);
      painter.drawLine(QPointF(area.left() + w * 0.3, area.top() + h * 0.3), QPointF(area.right() - w * 0.3, area.bottom() - h * 0.3));
      painter.drawLine(QPointF(area.right() - w * 0.3, area.top() + h * 0.3), QPointF(area.left() + w * 0.3, area.bottom() - h * 0.3));
      break;
    }
    case 139: {  // bad block: a block grid with one black block
      RoundedTile(painter, area, QColor(120, 120, 140));
      const qreal cell = w * 0.18;
      for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
          painter.setPen(Qt::NoPen);
          painter.setBrush(row == 1 && column == 2 ? QColor(Qt::black) : QColor(Qt::white));
          painter.drawRect(QRectF(area.left() + w * 0.2 + column * (cell + w * 0.03), area.top() + h * 0.2 + row * (cell + h * 0.03), cell, cell));
        }
      }
      break;
    }
    case 150: {  // initial: a start triangle
      RoundedTile(painter, area, QColor(60, 90, 170));
      painter.setPen(Qt::NoPen);
      painter.setBrush(Qt::white);
      painter.drawPolygon(QPolygonF{QPointF(c.x() - w * 0.15, c.y() - h * 0.25), QPointF(c.x() + w * 0.25, c.y()),
                                    QPointF(c.x() - w * 0.15, c.y() + h * 0.25)});
      break;
    }
    case 270: {  // time: a clock
      RoundedTile(painter, area, QColor(90, 90, 90));
      painter.setPen(white);
      painter.setBrush(Qt::NoBrush);
      painter.drawEllipse(c, w * 0.3, h * 0.3);
      painter.drawLine(c, QPointF(c.x(), c.y() - h * 0.2));
      painter.drawLine(c, QPointF(c.x() + w * 0.14, c.y()));
      break;
    }
    case 283: {  // finish: a chequered flag
      RoundedTile(painter, area, QColor(240, 240, 240));
      painter.setPen(QPen(Qt::black, std::max<qreal>(1.5, w / 16)));
      painter.drawLine(QPointF(area.left() + w * 0.25, area.top() + h * 0.2), QPointF(area.left() + w * 0.25, area.bottom() - h * 0.15));
      const qreal square = w * 0.12;
      for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
          painter.setPen(Qt::NoPen);
          painter.setBrush((row + column) % 2 ? QColor(Qt::white) : QColor(Qt::black));
          painter.drawRect(QRectF(area.left() + w * 0.27 + column * square, area.top() + h * 0.2 + row * square, square, square));
        }
      }
      break;
    }
    default:
      break;
  }
}

void DrawLogo(QPainter& painter, const QRectF& area) {
  QLinearGradient gradient(area.topLeft(), area.topRight());
  gradient.setColorAt(0, QColor(20, 50, 110));
  gradient.setColorAt(1, QColor(60, 140, 210));
  painter.setPen(Qt::NoPen);
  painter.setBrush(gradient);
  painter.drawRect(area);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(std::max(8, static_cast<int>(area.height() * 0.45)));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(area, Qt::AlignCenter, "TV3160  SATA SSD");
}

void DrawTesterBoard(QPainter& painter, const QRectF& area) {
  painter.setPen(QPen(QColor(20, 80, 20), 1.5));
  painter.setBrush(QColor(40, 130, 60));
  painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), 4, 4);
  const int ports = 6;
  const qreal slot = area.width() / (ports * 1.5 + 0.5);
  for (int port = 0; port < ports; ++port) {
    painter.setBrush(QColor(220, 200, 60));
    painter.drawRect(QRectF(area.left() + slot * (0.5 + port * 1.5), area.top() + area.height() * 0.3, slot, area.height() * 0.4));
  }
}

}  // namespace

QSize StationImageSize(int id) {
  switch (id) {
    case 268:
      return QSize(240, 60);
    case 269:
      return QSize(96, 48);
    default:
      return QSize(32, 32);
  }
}

QPixmap StationImage(int id, QSize size) {
  static constexpr int kKnown[] = {200, 141, 194, 134, 139, 150, 270, 283, 268, 269};
  if (std::find(std::begin(kKnown), std::end(kKnown), id) == std::end(kKnown) || size.isEmpty()) return QPixmap();
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area(0, 0, size.width(), size.height());
  if (id == 268) {
    DrawLogo(painter, area);
  } else if (id == 269) {
    DrawTesterBoard(painter, area);
  } else {
    DrawIcon(painter, id, area);
  }
  return pixmap;
}

}  // namespace uiqt
