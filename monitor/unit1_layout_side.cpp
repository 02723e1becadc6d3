// The parts of the main window beside and below the axis groups: Info,
// Reference and the two register groups on the right; the buttons and the
// Update, Global Interrupt and Filter groups below; the error line.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <initializer_list>

#include "unit1_layout_parts.h"

namespace unit1::layout {

namespace {

// A standard Close button: the platform's Close caption and icon.
QPushButton* CloseButton(QWidget* parent) {
  const QDialogButtonBox standard(QDialogButtonBox::Close);
  auto* button = Named(new QPushButton(parent->style()->standardIcon(QStyle::SP_DialogCloseButton),
                                       standard.button(QDialogButtonBox::Close)->text(), parent),
                       QStringLiteral("BitBtnClose"));
  button->setToolTip(QStringLiteral("Exits application"));
  SetHelp(button, kHelpMainWindow);
  return button;
}

// A register group: its readouts one per line, top to bottom.
struct Readout {
  QLabel** member;
  const char* name;
  const char* caption;
};
QGroupBox* ReadoutGroup(QWidget* parent, const char* name, const char* title,
                        std::initializer_list<Readout> readouts) {
  auto* group = Named(new QGroupBox(QString::fromLatin1(title), parent), QString::fromLatin1(name));
  auto* lines = new QVBoxLayout(group);
  for (const Readout& readout : readouts) {
    *readout.member = ReadoutLabel(group, readout.name, readout.caption);
    lines->addWidget(*readout.member);
  }
  return group;
}

QGroupBox* UpdateGroup(TForm1& form, QWidget* parent) {
  auto* group = form.GroupBox7 =
      Named(new QGroupBox(QStringLiteral("Update"), parent), QStringLiteral("GroupBox7"));
  SetHelp(group, kHelpMainWindow);
  auto* label = form.LabelUpdate = Named(new QLabel(QStringLiteral("Updating"), group), QStringLiteral("LabelUpdate"));
  label->setAlignment(Qt::AlignCenter);
  label->setMinimumWidth(WidthOf(label, "Card Not Open"));
  QSizePolicy keepPlace = label->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  label->setSizePolicy(keepPlace);
  label->setVisible(false);
  auto* automatic = form.RadioButtonUpdateAuto =
      Named(new QRadioButton(QStringLiteral("&Automatic"), group), QStringLiteral("RadioButtonUpdateAuto"));
  auto* manual = form.RadioButtonUpdateManual =
      Named(new QRadioButton(QStringLiteral("&Manual"), group), QStringLiteral("RadioButtonUpdateManual"));
  automatic->setChecked(true);
  auto* update = form.ButtonUpdate =
      Button(group, QStringLiteral("ButtonUpdate"), "&Update", "Updates all values", kHelpMainWindow);
  update->setEnabled(false);
  Wire(form, automatic, &TForm1::RadioButtonUpdateAutoClick);
  Wire(form, manual, &TForm1::RadioButtonUpdateManualClick);
  Wire(form, update, &TForm1::ButtonUpdateClick);
  auto* lines = new QVBoxLayout(group);
  for (QWidget* widget : std::initializer_list<QWidget*>{label, automatic, manual, update}) lines->addWidget(widget);
  return group;
}

QGroupBox* GlobalInterruptGroup(TForm1& form, QWidget* parent) {
  auto* group = form.GroupBox11 =
      Named(new QGroupBox(QStringLiteral("Global Interrupt"), parent), QStringLiteral("GroupBox11"));
  SetHelp(group, kHelpGlobalInterrupt);
  form.LabelGlobalIntr = Indicator(group, QStringLiteral("LabelGlobalIntr"), nullptr);
  form.ButtonGlobalIntr = Button(group, QStringLiteral("ButtonGlobalIntr"), "Toggle",
                                  "Toggles global interrupt bit", kHelpGlobalInterrupt);
  Wire(form, form.LabelGlobalIntr, &TForm1::ButtonGlobalIntrClick);
  Wire(form, form.ButtonGlobalIntr, &TForm1::ButtonGlobalIntrClick);
  auto* lines = new QVBoxLayout(group);
  lines->addWidget(form.LabelGlobalIntr);
  lines->addWidget(form.ButtonGlobalIntr);
  lines->addStretch(1);
  return group;
}

QGroupBox* FilterGroup(TForm1& form, QWidget* parent) {
  auto* group = form.GroupBox10 =
      Named(new QGroupBox(QStringLiteral("Filter"), parent), QStringLiteral("GroupBox10"));
  SetHelp(group, kHelpFilter);
  auto* enabled = form.CheckBoxFilterEnb =
      Named(new QCheckBox(QStringLiteral("Enabled"), group), QStringLiteral("CheckBoxFilterEnb"));
  const QStringList gains{"0", "1", "2", "3"};
  auto* kv = form.RadioGroupKV = Named(new TRadioGroup(QStringLiteral("Kv"), gains, 4, group), QStringLiteral("RadioGroupKV"));
  auto* kp = form.RadioGroupKp = Named(new TRadioGroup(QStringLiteral("Kp"), gains, 4, group), QStringLiteral("RadioGroupKp"));
  Wire(form, enabled, &TForm1::CheckBoxFilterEnbClick);
  Wire(form, kv, &TForm1::RadioGroupKVClick);
  Wire(form, kp, &TForm1::RadioGroupKpClick);
  auto* lines = new QVBoxLayout(group);
  lines->addWidget(enabled);
  lines->addWidget(kv);
  lines->addWidget(kp);
  return group;
}

}  // namespace

QVBoxLayout* RightColumn(TForm1& form, QWidget* parent) {
  auto* column = new QVBoxLayout;

  column->addWidget(form.GroupBox12 = ReadoutGroup(parent, "GroupBox12", "Info",
                                                   {{&form.LabelPciBus, "LabelPciBus", "PCI Bus:"},
                                                    {&form.LabelPciSlot, "LabelPciSlot", "PCI Slot:"},
                                                    {&form.LabelHdwRev, "LabelHdwRev", "Hdw Rev:"},
                                                    {&form.LabelApiRev, "LabelApiRev", "API Rev:"}}));

  auto* reference = form.GroupBox4 =
      Named(new QGroupBox(QStringLiteral("Reference"), parent), QStringLiteral("GroupBox4"));
  form.LabelGlitchRef = Indicator(reference, QStringLiteral("LabelGlitchRef"), kClearHint, Qt::AlignCenter, kWidestFlag);
  form.LabelNoSigRef = Indicator(reference, QStringLiteral("LabelNoSigRef"), kClearHint, Qt::AlignCenter, kWidestFlag);
  form.LabelIntrGlitchRef = Indicator(reference, QStringLiteral("LabelIntrGlitchRef"), kToggleHint, Qt::AlignCenter, kWidestFlag);
  form.LabelIntrNoSigRef = Indicator(reference, QStringLiteral("LabelIntrNoSigRef"), kToggleHint, Qt::AlignCenter, kWidestFlag);
  Wire(form, form.LabelGlitchRef, &TForm1::LabelStatusClick);
  Wire(form, form.LabelNoSigRef, &TForm1::LabelStatusClick);
  Wire(form, form.LabelIntrGlitchRef, &TForm1::LabelIntrClick);
  Wire(form, form.LabelIntrNoSigRef, &TForm1::LabelIntrClick);
  (new QVBoxLayout(reference))
      ->addWidget(SignalPanel(reference, form.LabelGlitchRef, form.LabelNoSigRef, form.LabelIntrGlitchRef,
                              form.LabelIntrNoSigRef));
  column->addWidget(reference);

  column->addWidget(form.GroupBox1 = ReadoutGroup(parent, "GroupBox1", "FPGA 1 Registers",
                                                  {{&form.LabelID1, "LabelID1", "ID: "},
                                                   {&form.LabelRev1, "LabelRev1", "Rev: "},
                                                   {&form.LabelPreset3, "LabelPreset3", "Preset3:"},
                                                   {&form.LabelStatusY, "LabelStatusY", "Status: "},
                                                   {&form.LabelConfigY, "LabelConfigY", "Config: "},
                                                   {&form.LabelIntrMask, "LabelIntrMask", "Intr. Mask: "},
                                                   {&form.LabelSampReg, "LabelSampReg", "Sample: "},
                                                   {&form.LabelFilter, "LabelFilter", "Filter:"}}));
  column->addWidget(form.GroupBox2 = ReadoutGroup(parent, "GroupBox2", "FPGA 2 Registers",
                                                  {{&form.LabelID2, "LabelID2", "ID: "},
                                                   {&form.LabelRev2, "LabelRev2", "Rev: "},
                                                   {&form.LabelPreset1, "LabelPreset1", "Preset1:"},
                                                   {&form.LabelPreset2, "LabelPreset2", "Preset2:"},
                                                   {&form.LabelStatusX, "LabelStatusX", "Status: "},
                                                   {&form.LabelConfigX, "LabelConfigX", "Config: "}}));
  column->addStretch(1);
  return column;
}

QHBoxLayout* BottomRow(TForm1& form, QWidget* parent) {
  auto* row = new QHBoxLayout;

  auto* buttons = new QVBoxLayout;
  form.ButtonClearStatusAll = Button(parent, QStringLiteral("ButtonClearStatusAll"), "Clear All &Status",
                                      "Attempts to clear errors on all axes", kHelpMainWindow);
  form.ButtonPresetAll = Button(parent, QStringLiteral("ButtonPresetAll"), "&Preset All Axes",
                                 "Position Preset for all axes", kHelpMainWindow);
  form.BitBtnClose = CloseButton(parent);
  Wire(form, form.ButtonClearStatusAll, &TForm1::ButtonClearStatusAllClick);
  Wire(form, form.ButtonPresetAll, &TForm1::ButtonPresetAllClick);
  QObject::connect(form.BitBtnClose, &QPushButton::clicked, &form, &QWidget::close);
  for (QPushButton* button : {form.ButtonClearStatusAll, form.ButtonPresetAll, form.BitBtnClose}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  row->addLayout(buttons);

  row->addWidget(UpdateGroup(form, parent));
  row->addWidget(GlobalInterruptGroup(form, parent));
  row->addWidget(FilterGroup(form, parent));
  row->addStretch(1);
  return row;
}

QLabel* ErrorLine(TForm1& form, QWidget* parent) {
  auto* line = form.LabelErrorData = Named(new QLabel(parent), QStringLiteral("LabelErrorData"));
  line->setTextFormat(Qt::PlainText);
  line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // A long report is cut at the right edge instead of widening the window.
  line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  line->setMinimumHeight(line->fontMetrics().height() + 6);
  return line;
}

}  // namespace unit1::layout
