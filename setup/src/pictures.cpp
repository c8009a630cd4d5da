// Drawing the grid's and toolbar's pictures with QPainter (see pictures.h).
#include "pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstring>

namespace setup {
namespace {

constexpr int kPicWidth = 36;
constexpr int kPicHeight = 20;
const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kAccent(0x1f, 0x77, 0xb4);
const QColor kWarm(0xc0, 0x50, 0x20);
const QColor kGreen(0x2e, 0x9a, 0x4b);

QPixmap blank(int w = kPicWidth, int h = kPicHeight) {
  QPixmap pixmap(w, h);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void setup_painter(QPainter& p, const QColor& colour = kInk) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(colour, 1.4));
  p.setBrush(Qt::NoBrush);
}

void small_text(QPainter& p, const QRectF& box, const QString& text, const QColor& colour = kInk) {
  QFont font = p.font();
  font.setPixelSize(9);
  font.setBold(true);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(box, Qt::AlignCenter, text);
}

// A Wheatstone bridge as a diamond; `active` of its four arms are drawn as strain gauges.
QPixmap bridge(int active) {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  setup_painter(p);
  const QPointF top(18, 2), right(30, 10), bottom(18, 18), left(6, 10);
  const QPointF corners[] = {top, right, bottom, left, top};
  for (int arm = 0; arm < 4; ++arm) {
    const QPointF a = corners[arm], b = corners[arm + 1];
    p.setPen(QPen(kInk, 1.2));
    p.drawLine(a, b);
    const QPointF mid = (a + b) / 2;
    p.save();
    p.translate(mid);
    p.rotate(arm % 2 == 0 ? 33.7 : -33.7);
    p.setBrush(arm < active ? kAccent : QColor(Qt::white));
    p.setPen(QPen(kInk, 1.0));
    p.drawRect(QRectF(-4, -1.8, 8, 3.6));
    p.restore();
  }
  return pixmap;
}

// A round meter face with a letter: voltage, current, resistance.
QPixmap meter(const QString& letter) {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  setup_painter(p);
  p.drawLine(QPointF(1, 10), QPointF(10, 10));
  p.drawLine(QPointF(26, 10), QPointF(35, 10));
  p.drawEllipse(QPointF(18, 10), 8, 8);
  small_text(p, QRectF(10, 2, 16, 16), letter);
  return pixmap;
}

// Two wires of different metals meeting in a junction, with the thermocouple's type letter.
QPixmap thermocouple(const QString& type) {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  setup_painter(p);
  p.setPen(QPen(kWarm, 1.6));
  p.drawLine(QPointF(2, 4), QPointF(14, 10));
  p.setPen(QPen(kAccent, 1.6));
  p.drawLine(QPointF(2, 16), QPointF(14, 10));
  p.setBrush(kInk);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(14, 10), 2.2, 2.2);
  small_text(p, QRectF(17, 1, 18, 18), type, kWarm);
  return pixmap;
}

// A platinum resistance element with its nominal value.
QPixmap platinum(const QString& value) {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  setup_painter(p);
  p.drawLine(QPointF(1, 6), QPointF(5, 6));
  p.setBrush(QColor(0xe8, 0xe8, 0xe8));
  p.drawRect(QRectF(5, 3, 12, 6));
  p.drawLine(QPointF(17, 6), QPointF(21, 6));
  small_text(p, QRectF(0, 10, 36, 10), value);
  return pixmap;
}

// Square waves: one, or two shifted by a quarter period; with a direction arrow or "x4".
QPixmap pulses(int waves, const QString& tag, bool arrow) {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  setup_painter(p, kAccent);
  for (int w = 0; w < waves; ++w) {
    const double base = waves == 1 ? 16 : (w == 0 ? 9 : 18);
    const double high = base - 6;
    const double shift = w * 3.0;
    QPainterPath path(QPointF(1, base));
    double x = 1 + shift;
    path.lineTo(x, base);
    while (x < 22) {
      path.lineTo(x, high);
      path.lineTo(x + 3, high);
      path.lineTo(x + 3, base);
      path.lineTo(x + 6, base);
      x += 6;
    }
    p.setPen(QPen(w == 0 ? kAccent : kWarm, 1.3));
    p.drawPath(path);
  }
  if (arrow) {
    p.setPen(QPen(kInk, 1.3));
    p.drawLine(QPointF(25, 10), QPointF(34, 10));
    p.drawLine(QPointF(34, 10), QPointF(30, 6.5));
    p.drawLine(QPointF(34, 10), QPointF(30, 13.5));
  }
  if (!tag.isEmpty()) small_text(p, QRectF(23, 2, 13, 16), tag);
  return pixmap;
}

QPixmap digital() {
  QPixmap pixmap = blank();
  QPainter p(&pixmap);
  setup_painter(p);
  for (int i = 0; i < 4; ++i) {
    const QRectF box(2 + i * 8.5, 5, 7, 10);
    p.setBrush(i % 2 == 1 ? kAccent : QColor(Qt::white));
    p.drawRect(box);
  }
  return pixmap;
}

}  // namespace

QPixmap transducer_pixmap(int picture) {
  static const char* const kThermo[] = {"J", "K", "T", "S"};
  static const char* const kThermoHigh[] = {"B", "E", "R"};
  static const char* const kPt[] = {"100", "500", "1k"};
  switch (picture) {
    case 0: return digital();
    case 1: return bridge(4);
    case 2: return bridge(2);
    case 17: return bridge(1);
    case 3: return meter("V");
    case 4: return meter("A");
    case 5: return meter(QString(QChar(0x03A9)));
    case 6: case 7: case 8: case 9: return thermocouple(kThermo[picture - 6]);
    case 18: case 19: case 20: return thermocouple(kThermoHigh[picture - 18]);
    case 10: case 11: case 12: return platinum(QString("Pt") + kPt[picture - 10]);
    case 13: return pulses(1, "", false);
    case 14: return pulses(1, "", true);
    case 15: return pulses(2, "", false);
    case 16: return pulses(2, "x4", false);
    default: return {};
  }
}

QPixmap mark_pixmap() {
  QPixmap pixmap = blank(18, 18);
  QPainter p(&pixmap);
  setup_painter(p);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRoundedRect(QRectF(1, 1, 16, 16), 3, 3);
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(4.5, 9), QPointF(7.5, 12.5), QPointF(13.5, 5.5)}));
  return pixmap;
}

QPixmap set_pixmap() {
  QPixmap pixmap = blank(18, 18);
  QPainter p(&pixmap);
  setup_painter(p);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QRectF(1, 1, 16, 16));
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(5, 9), QPointF(8, 12), QPointF(13, 6)}));
  return pixmap;
}

QPixmap not_set_pixmap() {
  QPixmap pixmap = blank(18, 18);
  QPainter p(&pixmap);
  setup_painter(p, QColor(0x9a, 0xa4, 0xae));
  p.setPen(QPen(QColor(0x9a, 0xa4, 0xae), 1.5));
  p.drawEllipse(QRectF(2, 2, 14, 14));
  return pixmap;
}

QIcon toolbar_icon(const char* key) {
  QPixmap pixmap = blank(24, 24);
  QPainter p(&pixmap);
  setup_painter(p);
  if (std::strcmp(key, "BLoad") == 0) {
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(9, 6), QPointF(11, 8), QPointF(21, 8), QPointF(21, 19),
                             QPointF(2, 19)}));
    p.setBrush(QColor(0xf7, 0xd7, 0x7f));
    p.drawPolygon(QPolygonF({QPointF(4, 11), QPointF(23, 11), QPointF(21, 19), QPointF(2, 19)}));
  } else if (std::strcmp(key, "BSave") == 0) {
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 3, 10, 6));
    p.drawRect(QRectF(6, 13, 12, 8));
  } else if (std::strcmp(key, "BPrint") == 0) {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 2, 10, 7));
    p.setBrush(QColor(0x8a, 0x96, 0xa3));
    p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 15, 10, 7));
  } else {
    p.setBrush(kAccent);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    small_text(p, QRectF(2, 2, 20, 20), "?", Qt::white);
  }
  return QIcon(pixmap);
}

QIcon program_icon() {
  QPixmap pixmap = bridge(4).scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return QIcon(pixmap);
}

}  // namespace setup
