#include "plot_chart.h"

#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "plot_ticks.h"
#include "zemtra_registers.h"

namespace zemtra::plot {

namespace {

constexpr int kLatchLaneHeight = 14;   // above the plot area
constexpr int kInvalidLaneHeight = 4;  // one per axis, under the time axis
constexpr double kMarkerRadius = 4.5;
constexpr double kAutoPadding = 0.05;  // of the data's span, above and below
constexpr int kValueTickSpacing = 32;  // pixels, at least
constexpr int kTimeTickSpacing = 80;
constexpr int kLabelSlack = 12;
const QColor kPlotBackground{0xFF, 0xFF, 0xFF};
const QColor kGridColour{0xE4, 0xE4, 0xE4};
const QColor kFrameColour{0x80, 0x80, 0x80};

// The status word bits that make a marker, with the axis whose colour it takes.
struct LatchBit {
  uint16_t bit;
  int axis;
  bool glitch;
};
constexpr LatchBit kLatchBits[] = {
    {ZEMTRA_STATUS_A1_GLITCH, 0, true},  {ZEMTRA_STATUS_A1_NOSIG, 0, false}, {ZEMTRA_STATUS_A2_GLITCH, 1, true},
    {ZEMTRA_STATUS_A2_NOSIG, 1, false},  {ZEMTRA_STATUS_A3_GLITCH, 2, true}, {ZEMTRA_STATUS_A3_NOSIG, 2, false},
    {ZEMTRA_STATUS_REF_GLITCH, 3, true}, {ZEMTRA_STATUS_REF_NOSIG, 3, false}};

QString AxisName(int axis) {
  return axis < ZEMTRA_AXIS_COUNT ? QStringLiteral("Axis %1").arg(axis + 1) : QStringLiteral("Reference");
}

QString Seconds(int64_t ns) { return QLocale().toString(static_cast<double>(ns) / 1e9, 'f', 3) + QStringLiteral(" s"); }

// The time of the first sample in the column that latched `bit`.
int64_t LatchTime(const SampleRing& ring, const Column& column, uint16_t bit) {
  for (size_t i = ring.LowerBound(column.first.elapsedNs); i < ring.size(); ++i) {
    if (ring[i].newlyLatched & bit) return ring[i].elapsedNs;
  }
  return column.first.elapsedNs;
}

}  // namespace

QColor AxisColour(int axis) {
  static const QColor colours[] = {{0x1F, 0x5F, 0xC8}, {0xD8, 0x4A, 0x10}, {0x1E, 0x8C, 0x2E}, {0x50, 0x50, 0x50}};
  return colours[std::clamp(axis, 0, 3)];
}

TPlotChart::TPlotChart(const PlotView& view, bool velocity, QWidget* parent)
    : QWidget(parent), view_(view), velocity_(velocity) {
  setMinimumSize(320, 160);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPlotChart::SetRange(std::optional<std::pair<double, double>> range) {
  range_ = range;
  update();
}

QRect TPlotChart::PlotArea() const {
  const QFontMetrics metrics(font());
  // Room on the left for the value labels as they were at the last paint.
  const int widest = std::max(view_.labelWidths[0], view_.labelWidths[1]);
  const int left = std::max(widest, metrics.horizontalAdvance(QStringLiteral("-0.000"))) + 10;
  const int top = metrics.height() + 4 + kLatchLaneHeight;
  const int bottom = height() - 2 * metrics.height() - 8 - ZEMTRA_AXIS_COUNT * kInvalidLaneHeight;
  return QRect(QPoint(left, top), QPoint(std::max(left + 1, width() - 14), std::max(top + 1, bottom)));
}

TPlotChart::Draft TPlotChart::MakeDraft() const {
  Draft draft;
  draft.title = (velocity_ ? QStringLiteral("Velocity (%1)") : QStringLiteral("Position (%1)"))
                    .arg(view_.units.Name(velocity_));
  draft.plotArea = PlotArea();
  const int width = draft.plotArea.width();
  // Columns sit on a fixed grid of time, so a column's content does not
  // change as the view moves on.
  draft.columnNs = std::max<int64_t>(1, (view_.windowNs + width - 1) / width);
  int64_t endNs = view_.windowNs;
  const bool hasData = view_.message.isEmpty() && view_.ring && !view_.ring->empty();
  if (hasData) endNs = std::max(endNs, view_.ring->newest().elapsedNs + 1);
  draft.startNs = (endNs + draft.columnNs - 1) / draft.columnNs * draft.columnNs - draft.columnNs * width;
  if (!hasData) {
    if (range_) std::tie(draft.low, draft.high) = *range_;
    return draft;
  }

  draft.columns = view_.columns.Get(*view_.ring, draft.startNs, draft.columnNs, width);
  const int firstSeries = velocity_ ? ZEMTRA_AXIS_COUNT : 0;
  double oneCount = 0;
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis)
    oneCount = std::max(oneCount, std::abs(view_.units.Value(firstSeries + axis, 1)));
  for (const Column& column : draft.columns) {
    for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
      if (column.count == 0 || (column.summary.validAxes & (1u << axis)) == 0) continue;
      const auto series = static_cast<size_t>(firstSeries + axis);
      const double low = view_.units.Value(firstSeries + axis, column.summary.min[series]);
      const double high = view_.units.Value(firstSeries + axis, column.summary.max[series]);
      draft.data = draft.data ? std::pair(std::min(draft.data->first, low), std::max(draft.data->second, high))
                              : std::pair(low, high);
    }
  }
  if (range_) {
    std::tie(draft.low, draft.high) = *range_;
  } else if (draft.data) {
    const double span = draft.data->second - draft.data->first;
    const double padding = span > 0 ? span * kAutoPadding : oneCount;
    draft.low = draft.data->first - padding;
    draft.high = draft.data->second + padding;
  }
  AddMarkers(draft);
  return draft;
}

void TPlotChart::AddMarkers(Draft& draft) const {
  const QRectF area(draft.plotArea);
  const auto columnX = [&](size_t c) { return area.left() + static_cast<double>(c); };

  // Invalid samples: a bar in the axis's lane under the time axis, across the
  // columns from the first to the last that hold one.
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const double laneTop = area.bottom() + 1 + axis * kInvalidLaneHeight;
    std::optional<size_t> runStart;
    size_t runEnd = 0;
    const auto closeRun = [&] {
      if (!runStart) return;
      const Column& first = draft.columns[*runStart];
      const Column& last = draft.columns[runEnd];
      draft.markers.push_back({Marker::Kind::kInvalid,
                               QRectF(columnX(*runStart), laneTop, columnX(runEnd + 1) - columnX(*runStart),
                                      kInvalidLaneHeight - 1),
                               axis,
                               QStringLiteral("%1: invalid samples from %2 to %3")
                                   .arg(AxisName(axis), Seconds(first.first.elapsedNs), Seconds(last.last.elapsedNs))});
      runStart.reset();
    };
    for (size_t c = 0; c < draft.columns.size(); ++c) {
      const Column& column = draft.columns[c];
      if (column.count == 0) continue;
      if (column.summary.invalidAxes & (1u << axis)) {
        if (!runStart) runStart = c;
        runEnd = c;
      } else {
        closeRun();
      }
    }
    closeRun();
  }

  // Latched errors: a marker in the lane above the plot, in the axis's colour.
  const double laneMiddle = area.top() - kLatchLaneHeight / 2.0;
  for (size_t c = 0; c < draft.columns.size(); ++c) {
    const Column& column = draft.columns[c];
    if (column.count == 0 || column.summary.latched == 0) continue;
    for (const LatchBit& latch : kLatchBits) {
      if ((column.summary.latched & latch.bit) == 0) continue;
      const QPointF centre(columnX(c) + 0.5, laneMiddle);
      draft.markers.push_back(
          {latch.glitch ? Marker::Kind::kGlitch : Marker::Kind::kNoSig,
           QRectF(centre.x() - kMarkerRadius, centre.y() - kMarkerRadius, 2 * kMarkerRadius, 2 * kMarkerRadius),
           latch.axis,
           QStringLiteral("%1 %2 latched at %3")
               .arg(AxisName(latch.axis), latch.glitch ? QStringLiteral("Glitch") : QStringLiteral("No Sig"),
                    Seconds(LatchTime(*view_.ring, column, latch.bit)))});
    }
  }
}

QString TPlotChart::ToolTipAt(const QPointF& point) const {
  QStringList texts;
  for (const Marker& marker : MakeDraft().markers) {
    if (marker.area.adjusted(-2, -2, 2, 2).contains(point)) texts << marker.text;
  }
  return texts.join(QLatin1Char('\n'));
}

bool TPlotChart::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QString text = ToolTipAt(help->pos());
  if (text.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), text, this);
  }
  return true;
}

void TPlotChart::paintEvent(QPaintEvent*) {
  const Draft draft = MakeDraft();
  const QRectF area(draft.plotArea);
  const QFontMetrics metrics(font());
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.fillRect(area, kPlotBackground);
  const QColor text = palette().color(QPalette::WindowText);

  QFont titleFont = font();
  titleFont.setBold(true);
  painter.setFont(titleFont);
  painter.setPen(text);
  painter.drawText(QPointF(area.left(), metrics.ascent() + 2), draft.title);
  painter.setFont(font());

  if (!view_.message.isEmpty()) {
    painter.drawText(area, Qt::AlignCenter, view_.message);
    painter.setPen(kFrameColour);
    painter.drawRect(area);
    return;
  }

  // Value axis: grid lines and labels at round values.
  const double span = draft.high - draft.low;
  const auto valueY = [&](double value) { return area.bottom() - (value - draft.low) / span * area.height(); };
  const bool raw = view_.units.RecordUnits() == records::Units::kRaw;
  const Ticks values = RoundTicks(draft.low, draft.high, std::max(2, draft.plotArea.height() / kValueTickSpacing),
                                  raw ? 1.0 : 0.0);
  int labelWidth = 0;
  for (int i = 0; i < values.count; ++i) {
    const double value = values.first + i * values.step;
    const double y = valueY(value);
    const QString label = view_.units.Text(value, values.decimals);
    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    painter.setPen(kGridColour);
    painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    painter.setPen(text);
    painter.drawText(QRectF(0, y - metrics.height() / 2.0, area.left() - 6, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, label);
  }
  // Labels that no longer fit, or leave much room unused, move the plot at the
  // next paint; a little slack keeps two widths from taking turns.
  int& shown = view_.labelWidths[velocity_ ? 1 : 0];
  if (labelWidth > shown || labelWidth + kLabelSlack < shown) {
    shown = labelWidth;
    if (view_.repaintCharts) view_.repaintCharts();
  }

  // Time axis in seconds.
  const double startS = static_cast<double>(draft.startNs) / 1e9;
  const double secondsPerPixel = static_cast<double>(draft.columnNs) / 1e9;
  const double endS = startS + secondsPerPixel * draft.plotArea.width();
  const Ticks times = RoundTicks(startS, endS, std::max(2, draft.plotArea.width() / kTimeTickSpacing));
  const double labelsTop = area.bottom() + 3 + ZEMTRA_AXIS_COUNT * kInvalidLaneHeight;
  for (int i = 0; i < times.count; ++i) {
    const double time = times.first + i * times.step;
    const double x = area.left() + (time - startS) / secondsPerPixel;
    painter.setPen(kGridColour);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    painter.setPen(text);
    painter.drawText(QRectF(x - 40, labelsTop, 80, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                     QLocale().toString(time, 'f', times.decimals));
  }
  painter.drawText(QRectF(area.left(), labelsTop + metrics.height(), area.width(), metrics.height()),
                   Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Time (s)"));

  // The lines: per column a stroke from its lowest to its highest value, and
  // a join from the column before where the axis ran on without a gap.
  painter.save();
  painter.setClipRect(area);
  const int firstSeries = velocity_ ? ZEMTRA_AXIS_COUNT : 0;
  std::vector<QLineF> lines;
  lines.reserve(2 * draft.columns.size());
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    const int series = firstSeries + axis;
    const auto y = [&](int32_t count) { return valueY(view_.units.Value(series, count)); };
    lines.clear();
    const Column* before = nullptr;
    double beforeX = 0;
    for (size_t c = 0; c < draft.columns.size(); ++c) {
      const Column& column = draft.columns[c];
      if (column.count == 0) continue;
      const double x = area.left() + static_cast<double>(c) + 0.5;
      if ((column.summary.invalidAxes & (1u << axis)) == 0) {
        const double top = y(column.summary.max[static_cast<size_t>(series)]);
        const double bottom = y(column.summary.min[static_cast<size_t>(series)]);
        // At least one pixel, so that a lone sample shows.
        lines.emplace_back(x, bottom + 0.5, x, std::min(top, bottom - 0.5));
        if (before && Joined(*before, column, axis))
          lines.emplace_back(beforeX, y(before->last.Value(series)), x, y(column.first.Value(series)));
      }
      before = &column;
      beforeX = x;
    }
    painter.setPen(QPen(AxisColour(axis), 1));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
  }
  painter.restore();

  // Markers: bars for invalid samples, and for latched errors a dotted line
  // through the plot under a diamond (Glitch) or a triangle (No Sig).
  painter.setRenderHint(QPainter::Antialiasing);
  for (const Marker& marker : draft.markers) {
    const QColor colour = AxisColour(marker.axis);
    if (marker.kind == Marker::Kind::kInvalid) {
      painter.fillRect(marker.area, colour);
      continue;
    }
    const QPointF centre = marker.area.center();
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.drawLine(QPointF(centre.x(), area.top()), QPointF(centre.x(), area.bottom()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const QRectF box = marker.area;
    const QPointF diamond[] = {{centre.x(), box.top()}, {box.right(), centre.y()}, {centre.x(), box.bottom()},
                               {box.left(), centre.y()}};
    const QPointF triangle[] = {box.topLeft(), box.topRight(), {centre.x(), box.bottom()}};
    if (marker.kind == Marker::Kind::kGlitch)
      painter.drawPolygon(diamond, 4);
    else
      painter.drawPolygon(triangle, 3);
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(kFrameColour);
  painter.drawRect(area);
}

}  // namespace zemtra::plot
