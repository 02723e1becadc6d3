// The controls of the position plot window and their arrangement.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "position_plot.h"
#include "position_plot_choices.h"

using namespace zemtra::plot;

namespace {

template <typename Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

void TFormPositionPlot::BuildLayout() {
  ComboBoxRate = Named(new QComboBox, "ComboBoxRate");
  for (const RateChoice& choice : kRateChoices) ComboBoxRate->addItem(QString::fromLatin1(choice.text));
  ComboBoxWindow = Named(new QComboBox, "ComboBoxWindow");
  for (const WindowChoice& choice : kWindowChoices) ComboBoxWindow->addItem(QString::fromLatin1(choice.text));
  ButtonPause = Named(new QPushButton(QStringLiteral("&Pause")), "ButtonPause");
  ButtonClear = Named(new QPushButton(QStringLiteral("C&lear")), "ButtonClear");
  ButtonExport = Named(new QPushButton(QStringLiteral("Export &CSV...")), "ButtonExport");

  auto* controls = new QHBoxLayout;
  controls->addWidget(Caption(QStringLiteral("&Rate:"), ComboBoxRate));
  controls->addWidget(ComboBoxRate);
  controls->addSpacing(8);
  controls->addWidget(Caption(QStringLiteral("&Window:"), ComboBoxWindow));
  controls->addWidget(ComboBoxWindow);
  controls->addSpacing(8);
  for (QPushButton* button : {ButtonPause, ButtonClear, ButtonExport}) controls->addWidget(button);
  controls->addStretch(1);
  // The legend: one colour per axis, the same in both charts.
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
    auto* entry = new QLabel(QStringLiteral("<span style=\"color:%1\">&#9632;&#9632;</span>&nbsp;Axis %2")
                                 .arg(AxisColour(axis).name())
                                 .arg(axis + 1));
    entry->setObjectName(QStringLiteral("LabelLegend%1").arg(axis + 1));
    controls->addWidget(entry);
  }

  auto* ranges = new QHBoxLayout;
  const struct {
    const char* caption;
    QCheckBox* TFormPositionPlot::*autoScale;
    QLineEdit* TFormPositionPlot::*low;
    QLineEdit* TFormPositionPlot::*high;
    const char* names[3];
  } rangeRows[] = {
      {"Position:", &TFormPositionPlot::CheckBoxPositionAuto, &TFormPositionPlot::EditPositionLow,
       &TFormPositionPlot::EditPositionHigh, {"CheckBoxPositionAuto", "EditPositionLow", "EditPositionHigh"}},
      {"Velocity:", &TFormPositionPlot::CheckBoxVelocityAuto, &TFormPositionPlot::EditVelocityLow,
       &TFormPositionPlot::EditVelocityHigh, {"CheckBoxVelocityAuto", "EditVelocityLow", "EditVelocityHigh"}}};
  for (const auto& row : rangeRows) {
    QCheckBox* check = this->*row.autoScale = Named(new QCheckBox(QStringLiteral("Auto-scale")), row.names[0]);
    check->setChecked(true);
    QLineEdit* low = this->*row.low = Named(new QLineEdit, row.names[1]);
    QLineEdit* high = this->*row.high = Named(new QLineEdit, row.names[2]);
    ranges->addWidget(new QLabel(QString::fromLatin1(row.caption)));
    ranges->addWidget(check);
    ranges->addWidget(low);
    ranges->addWidget(new QLabel(QStringLiteral("to")));
    ranges->addWidget(high);
    ranges->addSpacing(16);
    for (QLineEdit* box : {low, high}) {
      box->setEnabled(false);
      box->setMaximumWidth(130);
      connect(box, &QLineEdit::editingFinished, this, [this, box] { RangeChange(box); });
    }
    connect(check, &QCheckBox::toggled, this, [this, check] { RangeChange(check); });
  }
  ranges->addStretch(1);

  ChartPosition = Named(new TPlotChart(view_, false), "ChartPosition");
  ChartVelocity = Named(new TPlotChart(view_, true), "ChartVelocity");
  LabelPlotStatus = Named(new QLabel, "LabelPlotStatus");

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addLayout(ranges);
  layout->addWidget(ChartPosition, 1);
  layout->addWidget(ChartVelocity, 1);
  layout->addWidget(LabelPlotStatus);

  connect(ComboBoxRate, &QComboBox::currentIndexChanged, this, [this] { ComboBoxRateChange(ComboBoxRate); });
  connect(ComboBoxWindow, &QComboBox::currentIndexChanged, this, [this] { ComboBoxWindowChange(ComboBoxWindow); });
  connect(ButtonPause, &QPushButton::clicked, this, [this] { ButtonPauseClick(ButtonPause); });
  connect(ButtonClear, &QPushButton::clicked, this, [this] { ButtonClearClick(ButtonClear); });
  connect(ButtonExport, &QPushButton::clicked, this, [this] { ButtonExportClick(ButtonExport); });
}
