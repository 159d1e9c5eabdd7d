// The bar chart of a numeric distribution in the odds view: one bar per value (or per band of
// values when there are many), as tall as its chance relative to the likeliest, the values
// under the bars and the chance of the tallest beside it. The bars are the same the terminal
// chart of fablewick-cli odds draws.
#pragma once

#include <QWidget>
#include <vector>

#include "engine/authoring/odds.h"

namespace fablewick {

class OddsChart : public QWidget {
  Q_OBJECT

 public:
  explicit OddsChart(QWidget* parent = nullptr);

  // Shows the distribution; an empty one clears the chart.
  void SetNumbers(const NumberOdds& numbers);
  void Clear();
  const std::vector<NumberBand>& bands() const { return bands_; }

  QSize sizeHint() const override { return {480, 200}; }
  QSize minimumSizeHint() const override { return {240, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<NumberBand> bands_;
};

}  // namespace fablewick
