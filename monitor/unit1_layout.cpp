// The main window's controls: created, named, arranged and wired to their
// handlers. Across the top the optic groups and "Display Units"; below them
// the three axis groups and, on the right, Info, Reference and the two
// register groups; under the axis groups the buttons and the Update, Global
// Interrupt and Filter groups; the error line across the bottom. All of it
// scrolls inside the window when the screen is smaller than the form.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "screen_fit_area.h"
#include "unit1.h"
#include "unit1_layout_parts.h"
#include "unit1_panels.h"

namespace {

using namespace unit1::layout;
using unit1::AxisControls;
using unit1::kAxes;

TRadioGroup* OpticGroup(TForm1& form, QWidget* parent, const AxisControls& axis) {
  auto* group = Named(new TRadioGroup(QStringLiteral("Optic Type Fold Factor"), {"2", "4", "8"}, 3, parent),
                      QStringLiteral("RadioGroupAx%1Optic").arg(axis.number));
  group->SetItemIndex(0);
  SetHelp(group, kHelpOptic);
  form.*axis.optic = group;
  Wire(form, group, axis.opticClick);
  return group;
}

TRadioGroup* UnitGroup(TForm1& form, QWidget* parent) {
  auto* group = Named(new TRadioGroup(QStringLiteral("Display Units"),
                                      {"Raw Dec", "Raw Hex", "mm, mm/s", "inch, in/s"}, 2, parent),
                      QStringLiteral("RadioGroupUnitSelect"));
  group->SetItemIndex(0);
  SetHelp(group, kHelpDisplayUnits);
  form.RadioGroupUnitSelect = group;
  Wire(form, group, &TForm1::RadioGroupUnitSelectClick);
  return group;
}

QGroupBox* AxisGroup(TForm1& form, QWidget* parent, const AxisControls& axis) {
  const QString n = QString::number(axis.number);
  auto* group = Named(new QGroupBox(QStringLiteral("Axis ") + n, parent), QString::fromLatin1(axis.groupName));
  form.*axis.group = group;

  // Created first, so that the preset box leads the group's tab order.
  auto* box = Named(new TEdit(group), QStringLiteral("EditPresetData") + n);
  box->setToolTip(QStringLiteral("Click \"Position Preset\" to load register"));
  SetHelp(box, kHelpPresetBox);
  form.*axis.presetBox = box;
  QObject::connect(box, &TEdit::exited, &form, axis.presetExit);
  QObject::connect(box, &TEdit::keyDown, &form, axis.presetKeyDown);

  QLabel* posName = form.*axis.posName = Named(Caption(group, "Position:"), QStringLiteral("LabelPos%1Name").arg(n));
  QLabel* velName = form.*axis.velName = Named(Caption(group, "Velocity:"), QStringLiteral("LabelVel%1Name").arg(n));
  TLabel* pos = form.*axis.posData =
      Indicator(group, QStringLiteral("LabelPosData") + n, kValueHint, Qt::AlignRight, kWidestValue);
  TLabel* vel = form.*axis.velData =
      Indicator(group, QStringLiteral("LabelVelData") + n, kValueHint, Qt::AlignRight, kWidestValue);
  Wire(form, pos, axis.posDataClick);
  Wire(form, vel, axis.velDataClick);

  QPushButton* sample = form.*axis.sample = Button(group, QStringLiteral("ButtonSample") + n, "Sample",
                                                    "Samples position & velocity (does not read value)", kHelpSample);
  QPushButton* read = form.*axis.read = Button(group, QStringLiteral("ButtonRead") + n, "Read",
                                                "Read last sampled value of position & velocity", kHelpRead);
  QPushButton* update = form.*axis.update =
      Button(group, QStringLiteral("ButtonUpdate") + n, "Sample and Read",
             "Samples and then reads position and velocity", kHelpSampleAndRead);
  Wire(form, sample, &TForm1::ButtonSampleClick);
  Wire(form, read, axis.readClick);
  Wire(form, update, axis.updateClick);

  QLabel* presetName = form.*axis.presetNameLabel =
      Named(Caption(group, "Preset:"), QString::fromLatin1(axis.presetNameLabelName));
  QPushButton* preset = form.*axis.preset =
      Button(group, QStringLiteral("ButtonPreset") + n, "Position Preset",
             "Transfers Preset value to Position register", kHelpPresetButton);
  Wire(form, preset, axis.presetClick);

  TLabel* dir = form.*axis.dir = Indicator(group, QStringLiteral("LabelDir") + n, kToggleHint);
  TLabel* valid = form.*axis.posValid = Indicator(group, QStringLiteral("LabelPosValid") + n, kClearErrorsHint);
  TLabel* err = form.*axis.err = Indicator(group, QStringLiteral("LabelErr") + n, kClearErrorsHint);
  Wire(form, dir, &TForm1::LabelDirClick);
  Wire(form, valid, &TForm1::LabelPosValidClick);
  Wire(form, err, &TForm1::LabelStatusClick);

  TLabel* glitch = form.*axis.glitch = Indicator(group, QStringLiteral("LabelGlitch") + n, kClearHint, Qt::AlignCenter, kWidestFlag);
  TLabel* noSig = form.*axis.noSig = Indicator(group, QStringLiteral("LabelNoSig") + n, kClearHint, Qt::AlignCenter, kWidestFlag);
  TLabel* intrGlitch = form.*axis.intrGlitch = Indicator(group, QStringLiteral("LabelIntrGlitch") + n, kToggleHint, Qt::AlignCenter, kWidestFlag);
  TLabel* intrNoSig = form.*axis.intrNoSig = Indicator(group, QStringLiteral("LabelIntrNoSig") + n, kToggleHint, Qt::AlignCenter, kWidestFlag);
  Wire(form, glitch, &TForm1::LabelStatusClick);
  Wire(form, noSig, &TForm1::LabelStatusClick);
  Wire(form, intrGlitch, &TForm1::LabelIntrClick);
  Wire(form, intrNoSig, &TForm1::LabelIntrClick);

  auto* grid = new QGridLayout(group);
  grid->addWidget(posName, 0, 0);
  grid->addWidget(pos, 0, 1, 1, 3);
  grid->addWidget(velName, 1, 0);
  grid->addWidget(vel, 1, 1, 1, 3);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {sample, read, update}) buttons->addWidget(button);
  grid->addLayout(buttons, 2, 0, 1, 4);
  grid->addWidget(presetName, 3, 0);
  grid->addWidget(box, 3, 1, 1, 3);
  grid->addWidget(preset, 4, 1, 1, 3);
  grid->addWidget(Caption(group, "Direction:"), 5, 0);
  grid->addWidget(dir, 5, 1, 1, 3);
  grid->addWidget(Caption(group, "Data"), 6, 0);
  grid->addWidget(valid, 6, 1);
  grid->addWidget(Caption(group, "Error"), 6, 2, Qt::AlignRight);
  grid->addWidget(err, 6, 3);
  grid->addWidget(SignalPanel(group, glitch, noSig, intrGlitch, intrNoSig), 7, 0, 1, 4);
  grid->setRowStretch(8, 1);
  return group;
}

}  // namespace

void TForm1::BuildLayout() {
  auto* central = new QWidget;
  setCentralWidget(new TScreenFitArea(central, this));
  auto* grid = new QGridLayout(central);
  for (int i = 0; i < unit1::kAxisCount; ++i) grid->addWidget(OpticGroup(*this, central, kAxes[i]), 0, i);
  grid->addWidget(UnitGroup(*this, central), 0, 3);
  for (int i = 0; i < unit1::kAxisCount; ++i) grid->addWidget(AxisGroup(*this, central, kAxes[i]), 1, i);
  grid->addLayout(RightColumn(*this, central), 1, 3, 2, 1);
  grid->addLayout(BottomRow(*this, central), 2, 0, 1, 3);
  grid->addWidget(ErrorLine(*this, central), 3, 0, 1, 4);
  grid->setRowStretch(1, 1);
}
