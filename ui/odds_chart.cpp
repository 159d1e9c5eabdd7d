#include "ui/odds_chart.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace fablewick {

OddsChart::OddsChart(QWidget* parent) : QWidget(parent) {
  setObjectName("chtOdds");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void OddsChart::SetNumbers(const NumberOdds& numbers) {
  bands_ = NumberBands(numbers);
  update();
}

void OddsChart::Clear() {
  bands_.clear();
  update();
}

void OddsChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  if (bands_.empty()) return;
  const QFontMetrics metrics(font());
  double largest = 0;
  for (const NumberBand& band : bands_) largest = std::max(largest, band.chance);
  const QString top = QString::fromStdString(OddsChanceText({largest, largest, largest}, true));
  const int margin = 6;
  const int axis_width = metrics.horizontalAdvance(top) + margin;
  const int label_height = metrics.height() + margin / 2;
  const QRect plot(axis_width + margin, margin, width() - axis_width - 2 * margin,
                   height() - label_height - 2 * margin);
  if (plot.width() <= 0 || plot.height() <= 0) return;

  painter.setPen(palette().color(QPalette::Text));
  painter.drawText(QRect(0, plot.top(), axis_width, metrics.height()),
                   Qt::AlignRight | Qt::AlignTop, top);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());

  const double slot = static_cast<double>(plot.width()) / static_cast<double>(bands_.size());
  // Labels are written only as often as they fit side by side.
  int widest = 0;
  for (const NumberBand& band : bands_) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(band.label)));
  }
  const int every = std::max(1, static_cast<int>((widest + margin) / std::max(slot, 1.0)) + 1);
  const QColor bar = palette().color(QPalette::Highlight);
  for (std::size_t b = 0; b < bands_.size(); ++b) {
    const double left = plot.left() + slot * static_cast<double>(b);
    const double high = largest == 0 ? 0 : bands_[b].chance / largest * (plot.height() - 1);
    const QRectF shape(left + slot * 0.1, plot.bottom() - high, slot * 0.8, high);
    painter.fillRect(shape, bar);
    if (static_cast<int>(b) % every != 0) continue;
    painter.drawText(QRectF(left - slot, plot.bottom() + margin / 2, slot * 3, metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(bands_[b].label));
  }
}

}  // namespace fablewick
