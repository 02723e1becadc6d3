#include "position_plot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "display_units.h"
#include "number_entry.h"
#include "plot_export.h"
#include "position_plot_choices.h"
#include "screen_center.h"
#include "unit1.h"

using namespace zemtra::plot;

namespace {

constexpr int kHelpContext = 16;
const QString kNoCard = QStringLiteral("No card open");

// A range limit as typed: a whole count (decimal or hex) in the raw modes,
// else a number in the user's format or with a point.
std::optional<double> ParseLimit(const QString& text, const PlotUnits& units) {
  if (units.RecordUnits() == zemtra::records::Units::kRaw) {
    const std::optional<int32_t> count = zemtra::units::ParseInteger(text.trimmed().toStdString());
    return count ? std::optional<double>(*count) : std::nullopt;
  }
  bool ok = false;
  double value = QLocale().toDouble(text.trimmed(), &ok);
  if (!ok) value = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// A limit as ParseLimit reads it back: a count as the main window shows raw
// values (no grouping), else a number in the user's format.
QString LimitText(double value, const PlotUnits& units) {
  if (units.RecordUnits() != zemtra::records::Units::kRaw) return QLocale().toString(value, 'g', 9);
  const double count = std::clamp(std::round(value), double{INT32_MIN}, double{INT32_MAX});
  return QString::fromStdString(zemtra::units::FormatRawValue(static_cast<int32_t>(count), units.hex, 8));
}

}  // namespace

TFormPositionPlot::TFormPositionPlot(TForm1& form) : QWidget(&form, Qt::Window), form_(form) {
  setObjectName("FormPositionPlot");
  setWindowTitle(QStringLiteral("Zemtra Position Plot"));
  setProperty("helpContext", kHelpContext);
  view_.ring = &ring_;
  view_.units = PlotUnits::Of(form);
  view_.repaintCharts = [this] {
    ChartPosition->update();
    ChartVelocity->update();
  };
  Sampler = new PlotSampler(
      ring_, [this] { return form_.CardOpen ? form_.CardHandle : DeviceHandle{0}; }, this);
  TimerFrame = new QTimer(this);
  TimerFrame->setObjectName("TimerFrame");
  connect(TimerFrame, &QTimer::timeout, this, [this] { TimerFrameTimer(TimerFrame); });
  BuildLayout();
  ComboBoxRate->setCurrentIndex(kDefaultRateChoice);
  ComboBoxWindow->setCurrentIndex(kDefaultWindowChoice);
  ComboBoxRateChange(ComboBoxRate);
  ComboBoxWindowChange(ComboBoxWindow);
  connect(&form, &TForm1::CardConnectionChanged, this, &TFormPositionPlot::CardChanged);
  // Smaller on a screen that has not the room; the charts take what is left.
  resize(QSize(960, 700).boundedTo(screen()->availableGeometry().size()));
  CenterOnScreen(this);
}

void TFormPositionPlot::ComboBoxRateChange(QObject*) {
  Sampler->SetRate(kRateChoices[ComboBoxRate->currentIndex()].hertz);
  ApplyCapacity();
}

void TFormPositionPlot::ComboBoxWindowChange(QObject*) {
  const WindowChoice& choice = kWindowChoices[ComboBoxWindow->currentIndex()];
  view_.windowNs = int64_t{choice.seconds} * 1'000'000'000;
  TimerFrame->setInterval(choice.frameMs);
  ApplyCapacity();
}

void TFormPositionPlot::ApplyCapacity() {
  const WindowChoice& window = kWindowChoices[ComboBoxWindow->currentIndex()];
  ring_.Resize(static_cast<size_t>(window.seconds) * static_cast<size_t>(Sampler->rate()));
  TimerFrameTimer(this);
}

void TFormPositionPlot::ButtonPauseClick(QObject*) {
  paused_ = !paused_;
  ButtonPause->setText(paused_ ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
  if (paused_)
    Sampler->Stop();
  else if (isVisible())
    Sampler->Start();
  UpdateStatus();
}

void TFormPositionPlot::ButtonClearClick(QObject*) {
  Sampler->Restart();
  exportNote_.clear();
  TimerFrameTimer(this);
}

void TFormPositionPlot::CardChanged() { ButtonClearClick(this); }

void TFormPositionPlot::RangeChange(QObject* Sender) {
  const struct {
    QCheckBox* autoScale;
    QLineEdit* low;
    QLineEdit* high;
    TPlotChart* chart;
  } ranges[] = {{CheckBoxPositionAuto, EditPositionLow, EditPositionHigh, ChartPosition},
                {CheckBoxVelocityAuto, EditVelocityLow, EditVelocityHigh, ChartVelocity}};
  for (const auto& range : ranges) {
    const bool autoScale = range.autoScale->isChecked();
    range.low->setEnabled(!autoScale);
    range.high->setEnabled(!autoScale);
    if (!autoScale && Sender == range.autoScale) {
      // Fixed from the range in view, for the user to change from there.
      const TPlotChart::Draft draft = range.chart->MakeDraft();
      range.low->setText(LimitText(draft.low, view_.units));
      range.high->setText(LimitText(draft.high, view_.units));
    }
    const std::optional<double> low = ParseLimit(range.low->text(), view_.units);
    const std::optional<double> high = ParseLimit(range.high->text(), view_.units);
    const bool usable = low && high && *low < *high;
    for (QLineEdit* box : {range.low, range.high}) {
      QPalette colours = box->palette();
      colours.setColor(QPalette::Base, autoScale || usable ? palette().color(QPalette::Base) : kColorFault);
      box->setPalette(colours);
    }
    range.chart->SetRange(autoScale || !usable ? std::nullopt : std::optional(std::pair(*low, *high)));
  }
}

void TFormPositionPlot::ButtonExportClick(QObject*) {
  const QString path = ExportFileAsker ? ExportFileAsker()
                                       : QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"),
                                                                      QStringLiteral("position-plot.csv"),
                                                                      QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (path.isEmpty()) return;
  TimerFrameTimer(this);
  // What the charts show: the samples from their left edge on, none without a card.
  const TPlotChart::Draft draft = ChartPosition->MakeDraft();
  const size_t first = view_.message.isEmpty() ? ring_.LowerBound(draft.startNs) : ring_.size();
  const std::optional<QString> failure = WriteCsv(ring_, first, ring_.size(), view_.units, path);
  exportNote_ = failure ? QStringLiteral("export failed: %1").arg(*failure)
                        : QStringLiteral("%1 samples exported to %2")
                              .arg(ring_.size() - first)
                              .arg(QDir::toNativeSeparators(path));
  UpdateStatus();
}

void TFormPositionPlot::TimerFrameTimer(QObject*) {
  const PlotUnits units = PlotUnits::Of(form_);
  const QString message = form_.CardOpen && form_.CardHandle != 0 ? QString() : kNoCard;
  if (ring_.version() != drawnVersion_ || !(units == view_.units) || message != view_.message) {
    view_.units = units;
    view_.message = message;
    drawnVersion_ = ring_.version();
    ChartPosition->update();
    ChartVelocity->update();
  }
  UpdateStatus();
}

void TFormPositionPlot::UpdateStatus() {
  QString text;
  if (!view_.message.isEmpty()) {
    text = kNoCard + QStringLiteral(": nothing is sampled");
  } else {
    text = QStringLiteral("PCI Bus %1, Slot %2: %3 samples at %4 Hz")
               .arg(form_.CardLocation.bus)
               .arg(form_.CardLocation.slot)
               .arg(ring_.size())
               .arg(Sampler->rate());
    if (paused_) text += QStringLiteral(", paused");
    if (Sampler->lastError() != ZEMTRA_SUCCESS)
      text += QStringLiteral("; ERROR: \"%1\" reported by %2()")
                  .arg(QString::fromLatin1(ZemtraGetErrStr(Sampler->lastError())),
                       QString::fromLatin1(Sampler->lastFunction()));
  }
  if (!exportNote_.isEmpty()) text += QStringLiteral("; ") + exportNote_;
  LabelPlotStatus->setText(text);
}

void TFormPositionPlot::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!paused_) Sampler->Start();
  TimerFrame->start();
  TimerFrameTimer(this);
}

void TFormPositionPlot::closeEvent(QCloseEvent* event) {
  // A closed plot costs nothing: no library calls, no painting.
  Sampler->Stop();
  TimerFrame->stop();
  QWidget::closeEvent(event);
}
