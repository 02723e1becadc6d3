// The position plot window, TFormPositionPlot ("Zemtra Position Plot", menu
// Tools, Position Plot...): position and velocity of the three axes of the
// main window's card over time, in two stacked charts in the main window's
// display units. It samples on its own (plot_sampler.h), keeps at most the
// window length times the rate of samples (sample_ring.h) and paints from
// min/max columns (plot_chart.h).
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "plot_chart.h"
#include "plot_sampler.h"
#include "sample_ring.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TForm1;

class TFormPositionPlot : public QWidget {
  Q_OBJECT

 public:
  // A window of the main window's: it follows its card, units and fold factors.
  explicit TFormPositionPlot(TForm1& form);

  // Seam for tests: when set, it names the file to export to instead of a dialog.
  std::function<QString()> ExportFileAsker;

  // ---- Handlers ------------------------------------------------------------
  void ComboBoxRateChange(QObject* Sender);
  void ComboBoxWindowChange(QObject* Sender);
  void ButtonPauseClick(QObject* Sender);
  void ButtonClearClick(QObject* Sender);
  void ButtonExportClick(QObject* Sender);
  void RangeChange(QObject* Sender);
  void TimerFrameTimer(QObject* Sender);
  // The main window's card connection has run: restart on whatever card is open.
  void CardChanged();

  // ---- Controls -------------------------------------------------------------
  QComboBox* ComboBoxRate = nullptr;    // 10, 50, 100, 500 Hz
  QComboBox* ComboBoxWindow = nullptr;  // 5 s, 30 s, 2 min, 10 min
  QPushButton* ButtonPause = nullptr;   // "&Pause" / "&Resume"
  QPushButton* ButtonClear = nullptr;
  QPushButton* ButtonExport = nullptr;
  QCheckBox* CheckBoxPositionAuto = nullptr;
  QLineEdit* EditPositionLow = nullptr;
  QLineEdit* EditPositionHigh = nullptr;
  QCheckBox* CheckBoxVelocityAuto = nullptr;
  QLineEdit* EditVelocityLow = nullptr;
  QLineEdit* EditVelocityHigh = nullptr;
  zemtra::plot::TPlotChart* ChartPosition = nullptr;
  zemtra::plot::TPlotChart* ChartVelocity = nullptr;
  QLabel* LabelPlotStatus = nullptr;
  QTimer* TimerFrame = nullptr;  // repaints when something changed

  zemtra::plot::PlotSampler* Sampler = nullptr;
  const zemtra::plot::SampleRing& Samples() const { return ring_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();
  void ApplyCapacity();
  void UpdateStatus();

  TForm1& form_;
  zemtra::plot::SampleRing ring_;
  zemtra::plot::PlotView view_;
  bool paused_ = false;
  uint64_t drawnVersion_ = 0;
  QString exportNote_;  // the outcome of the last export, until the plot changes
};
