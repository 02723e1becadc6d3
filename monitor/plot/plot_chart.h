// One chart of the position plot (positions or velocities of the three axes
// over time), painted by hand from min/max columns: one column per pixel,
// gaps where an axis was invalid or sampling stopped, markers for invalid
// samples on the time axis and for latched Glitch and No Sig errors.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "column_decimation.h"
#include "plot_units.h"

namespace zemtra::plot {

// The colour of axis 0, 1, 2 in both charts and the legend; 3 is the reference.
QColor AxisColour(int axis);

// What both charts show: the window's samples, units and time span.
struct PlotView {
  const SampleRing* ring = nullptr;
  PlotUnits units;
  int64_t windowNs = 30'000'000'000;
  QString message;  // shown instead of any data when not empty
  mutable ColumnCache columns;
  // The widest value label of each chart at its last paint: both charts leave
  // room for the wider, so that their time axes line up.
  mutable std::array<int, 2> labelWidths{};
  std::function<void()> repaintCharts;
};

class TPlotChart : public QWidget {
  Q_OBJECT

 public:
  TPlotChart(const PlotView& view, bool velocity, QWidget* parent = nullptr);

  // A fixed value range in display units, or none for auto-scale.
  void SetRange(std::optional<std::pair<double, double>> range);

  struct Marker {
    enum class Kind { kInvalid, kGlitch, kNoSig };
    Kind kind;
    QRectF area;  // where it is drawn; its tooltip shows over it
    int axis;     // 0 to 2, 3 for the reference
    QString text;
  };

  // Everything the next paint draws, worked out from the view.
  struct Draft {
    QString title;
    QRect plotArea;
    int64_t startNs = 0;  // left edge; the right edge is startNs + columnNs * width
    int64_t columnNs = 1;
    std::vector<Column> columns;
    std::optional<std::pair<double, double>> data;  // lowest and highest value shown
    double low = -1;
    double high = 1;
    std::vector<Marker> markers;
  };
  Draft MakeDraft() const;

  // The tooltip over a point: every marker there, one per line.
  QString ToolTipAt(const QPointF& point) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QRect PlotArea() const;
  void AddMarkers(Draft& draft) const;

  const PlotView& view_;
  const bool velocity_;
  std::optional<std::pair<double, double>> range_;
};

}  // namespace zemtra::plot
