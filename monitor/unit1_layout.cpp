// The main window's controls: created, named, arranged and wired to their
// handlers. Across the top the optic groups and "Display Units"; below them
// the three axis groups and, on the right, Info, Reference and the two
// register groups; under the axis groups the buttons and the Update, Global
// Interrupt and Filter groups; the error line across the bottom.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "unit1.h"
#include "unit1_panels.h"

namespace {

using unit1::AxisControls;
using unit1::kAxes;

// Help topics of the help file, by context number.
enum HelpContext {
  kHelpPresetBox = 1,
  kHelpPresetButton = 2,
  kHelpSample = 3,
  kHelpRead = 4,
  kHelpSampleAndRead = 5,
  kHelpMainWindow = 6,
  kHelpGlobalInterrupt = 7,
  kHelpFilter = 8,
  kHelpDisplayUnits = 13,
  kHelpOptic = 15,
};

const char* const kValueHint = "In raw interferometer units (click to update)";
const char* const kToggleHint = "Click to toggle";
const char* const kClearHint = "Click to clear";
const char* const kClearErrorsHint = "Click to clear errors";

// Widest texts the value labels and indicators show, so that the window keeps
// its size whatever they hold.
const char* const kWidestValue = "-8,888,888.88888888";
const char* const kWidestIndicator = "Negative";
const char* const kWidestFlag = "ERR";
const char* const kWidestReadout = "Intr. Mask: 0xFFFFFFFF";

template <typename Widget>
Widget* Named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

void SetHelp(QWidget* widget, int context) { widget->setProperty("helpContext", context); }

int WidthOf(const QWidget* widget, const char* text) {
  return widget->fontMetrics().horizontalAdvance(QString::fromLatin1(text)) + 12;
}

TLabel* Indicator(QWidget* parent, const QString& name, const char* hint,
                  Qt::Alignment alignment = Qt::AlignCenter, const char* widest = kWidestIndicator) {
  auto* label = Named(new TLabel(QString(), parent), name);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setMinimumWidth(WidthOf(label, widest));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->SetColor(kColorNone);
  if (hint != nullptr) label->setToolTip(QString::fromLatin1(hint));
  return label;
}

QLabel* Caption(QWidget* parent, const char* text) { return new QLabel(QString::fromLatin1(text), parent); }

QPushButton* Button(QWidget* parent, const QString& name, const char* caption, const char* hint, int help) {
  auto* button = Named(new QPushButton(QString::fromLatin1(caption), parent), name);
  button->setToolTip(QString::fromLatin1(hint));
  SetHelp(button, help);
  return button;
}

QLabel* ReadoutLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = Named(new QLabel(QString::fromLatin1(caption), parent), QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(WidthOf(label, kWidestReadout));
  return label;
}

// Glitch and no-signal indicators above the interrupt enables of one signal.
QFrame* SignalPanel(QWidget* parent, TLabel* glitch, TLabel* noSig, TLabel* intrGlitch, TLabel* intrNoSig) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* grid = new QGridLayout(panel);
  grid->addWidget(Caption(panel, "Glitch"), 0, 1, Qt::AlignCenter);
  grid->addWidget(Caption(panel, "NoSig"), 0, 2, Qt::AlignCenter);
  grid->addWidget(Caption(panel, "Errors:"), 1, 0);
  grid->addWidget(glitch, 1, 1);
  grid->addWidget(noSig, 1, 2);
  grid->addWidget(Caption(panel, "Interrupts Enabled:"), 2, 0);
  grid->addWidget(intrGlitch, 2, 1);
  grid->addWidget(intrNoSig, 2, 2);
  return panel;
}

class LayoutBuilder {
 public:
  explicit LayoutBuilder(TForm1& form) : form_(form) {}

  void Build() {
    auto* central = new QWidget(&form_);
    form_.setCentralWidget(central);
    auto* grid = new QGridLayout(central);
    for (int i = 0; i < unit1::kAxisCount; ++i) grid->addWidget(OpticGroup(central, kAxes[i]), 0, i);
    grid->addWidget(UnitGroup(central), 0, 3);
    for (int i = 0; i < unit1::kAxisCount; ++i) grid->addWidget(AxisGroup(central, kAxes[i]), 1, i);
    grid->addLayout(RightColumn(central), 1, 3, 2, 1);
    grid->addLayout(BottomRow(central), 2, 0, 1, 3);
    grid->addWidget(ErrorLine(central), 3, 0, 1, 4);
    grid->setRowStretch(1, 1);
    // The window's default size is what its contents need.
    form_.adjustSize();
  }

 private:
  template <typename Control>
  void Wire(Control* control, void (TForm1::*handler)(QObject*)) {
    TForm1* form = &form_;
    QObject::connect(control, &Control::clicked, form, [form, control, handler] { (form->*handler)(control); });
  }

  TRadioGroup* OpticGroup(QWidget* parent, const AxisControls& axis) {
    auto* group = Named(new TRadioGroup(QStringLiteral("Optic Type Fold Factor"), {"2", "4", "8"}, 3, parent),
                        QStringLiteral("RadioGroupAx%1Optic").arg(axis.number));
    group->SetItemIndex(0);
    SetHelp(group, kHelpOptic);
    form_.*axis.optic = group;
    Wire(group, axis.opticClick);
    return group;
  }

  TRadioGroup* UnitGroup(QWidget* parent) {
    auto* group = Named(new TRadioGroup(QStringLiteral("Display Units"),
                                        {"Raw Dec", "Raw Hex", "mm, mm/s", "inch, in/s"}, 2, parent),
                        QStringLiteral("RadioGroupUnitSelect"));
    group->SetItemIndex(0);
    SetHelp(group, kHelpDisplayUnits);
    form_.RadioGroupUnitSelect = group;
    Wire(group, &TForm1::RadioGroupUnitSelectClick);
    return group;
  }

  QGroupBox* AxisGroup(QWidget* parent, const AxisControls& axis) {
    const QString n = QString::number(axis.number);
    auto* group = Named(new QGroupBox(QStringLiteral("Axis ") + n, parent), QString::fromLatin1(axis.groupName));
    form_.*axis.group = group;

    // Created first, so that the preset box leads the group's tab order.
    auto* box = Named(new TEdit(group), QStringLiteral("EditPresetData") + n);
    box->setToolTip(QStringLiteral("Click \"Position Preset\" to load register"));
    SetHelp(box, kHelpPresetBox);
    form_.*axis.presetBox = box;
    QObject::connect(box, &TEdit::exited, &form_, axis.presetExit);
    QObject::connect(box, &TEdit::keyDown, &form_, axis.presetKeyDown);

    QLabel* posName = form_.*axis.posName = Named(Caption(group, "Position:"), QStringLiteral("LabelPos%1Name").arg(n));
    QLabel* velName = form_.*axis.velName = Named(Caption(group, "Velocity:"), QStringLiteral("LabelVel%1Name").arg(n));
    TLabel* pos = form_.*axis.posData =
        Indicator(group, QStringLiteral("LabelPosData") + n, kValueHint, Qt::AlignRight, kWidestValue);
    TLabel* vel = form_.*axis.velData =
        Indicator(group, QStringLiteral("LabelVelData") + n, kValueHint, Qt::AlignRight, kWidestValue);
    Wire(pos, axis.posDataClick);
    Wire(vel, axis.velDataClick);

    QPushButton* sample = form_.*axis.sample = Button(group, QStringLiteral("ButtonSample") + n, "Sample",
                                                      "Samples position & velocity (does not read value)", kHelpSample);
    QPushButton* read = form_.*axis.read = Button(group, QStringLiteral("ButtonRead") + n, "Read",
                                                  "Read last sampled value of position & velocity", kHelpRead);
    QPushButton* update = form_.*axis.update =
        Button(group, QStringLiteral("ButtonUpdate") + n, "Sample and Read",
               "Samples and then reads position and velocity", kHelpSampleAndRead);
    Wire(sample, &TForm1::ButtonSampleClick);
    Wire(read, axis.readClick);
    Wire(update, axis.updateClick);

    QLabel* presetName = form_.*axis.presetNameLabel =
        Named(Caption(group, "Preset:"), QString::fromLatin1(axis.presetNameLabelName));
    QPushButton* preset = form_.*axis.preset =
        Button(group, QStringLiteral("ButtonPreset") + n, "Position Preset",
               "Transfers Preset value to Position register", kHelpPresetButton);
    Wire(preset, axis.presetClick);

    TLabel* dir = form_.*axis.dir = Indicator(group, QStringLiteral("LabelDir") + n, kToggleHint);
    TLabel* valid = form_.*axis.posValid = Indicator(group, QStringLiteral("LabelPosValid") + n, kClearErrorsHint);
    TLabel* err = form_.*axis.err = Indicator(group, QStringLiteral("LabelErr") + n, kClearErrorsHint);
    Wire(dir, &TForm1::LabelDirClick);
    Wire(valid, &TForm1::LabelPosValidClick);
    Wire(err, &TForm1::LabelStatusClick);

    TLabel* glitch = form_.*axis.glitch = Indicator(group, QStringLiteral("LabelGlitch") + n, kClearHint, Qt::AlignCenter, kWidestFlag);
    TLabel* noSig = form_.*axis.noSig = Indicator(group, QStringLiteral("LabelNoSig") + n, kClearHint, Qt::AlignCenter, kWidestFlag);
    TLabel* intrGlitch = form_.*axis.intrGlitch = Indicator(group, QStringLiteral("LabelIntrGlitch") + n, kToggleHint, Qt::AlignCenter, kWidestFlag);
    TLabel* intrNoSig = form_.*axis.intrNoSig = Indicator(group, QStringLiteral("LabelIntrNoSig") + n, kToggleHint, Qt::AlignCenter, kWidestFlag);
    Wire(glitch, &TForm1::LabelStatusClick);
    Wire(noSig, &TForm1::LabelStatusClick);
    Wire(intrGlitch, &TForm1::LabelIntrClick);
    Wire(intrNoSig, &TForm1::LabelIntrClick);

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

  QVBoxLayout* RightColumn(QWidget* parent) {
    auto* column = new QVBoxLayout;

    auto* info = form_.GroupBox12 = Named(new QGroupBox(QStringLiteral("Info"), parent), QStringLiteral("GroupBox12"));
    auto* infoLines = new QVBoxLayout(info);
    form_.LabelPciBus = ReadoutLabel(info, "LabelPciBus", "PCI Bus:");
    form_.LabelPciSlot = ReadoutLabel(info, "LabelPciSlot", "PCI Slot:");
    form_.LabelHdwRev = ReadoutLabel(info, "LabelHdwRev", "Hdw Rev:");
    form_.LabelApiRev = ReadoutLabel(info, "LabelApiRev", "API Rev:");
    for (QLabel* label : {form_.LabelPciBus, form_.LabelPciSlot, form_.LabelHdwRev, form_.LabelApiRev}) {
      infoLines->addWidget(label);
    }
    column->addWidget(info);

    auto* reference = form_.GroupBox4 =
        Named(new QGroupBox(QStringLiteral("Reference"), parent), QStringLiteral("GroupBox4"));
    form_.LabelGlitchRef = Indicator(reference, QStringLiteral("LabelGlitchRef"), kClearHint, Qt::AlignCenter, kWidestFlag);
    form_.LabelNoSigRef = Indicator(reference, QStringLiteral("LabelNoSigRef"), kClearHint, Qt::AlignCenter, kWidestFlag);
    form_.LabelIntrGlitchRef = Indicator(reference, QStringLiteral("LabelIntrGlitchRef"), kToggleHint, Qt::AlignCenter, kWidestFlag);
    form_.LabelIntrNoSigRef = Indicator(reference, QStringLiteral("LabelIntrNoSigRef"), kToggleHint, Qt::AlignCenter, kWidestFlag);
    Wire(form_.LabelGlitchRef, &TForm1::LabelStatusClick);
    Wire(form_.LabelNoSigRef, &TForm1::LabelStatusClick);
    Wire(form_.LabelIntrGlitchRef, &TForm1::LabelIntrClick);
    Wire(form_.LabelIntrNoSigRef, &TForm1::LabelIntrClick);
    (new QVBoxLayout(reference))
        ->addWidget(SignalPanel(reference, form_.LabelGlitchRef, form_.LabelNoSigRef, form_.LabelIntrGlitchRef,
                                form_.LabelIntrNoSigRef));
    column->addWidget(reference);

    auto* fpga1 = form_.GroupBox1 =
        Named(new QGroupBox(QStringLiteral("FPGA 1 Registers"), parent), QStringLiteral("GroupBox1"));
    auto* fpga1Lines = new QVBoxLayout(fpga1);
    form_.LabelID1 = ReadoutLabel(fpga1, "LabelID1", "ID: ");
    form_.LabelRev1 = ReadoutLabel(fpga1, "LabelRev1", "Rev: ");
    form_.LabelPreset3 = ReadoutLabel(fpga1, "LabelPreset3", "Preset3:");
    form_.LabelStatusY = ReadoutLabel(fpga1, "LabelStatusY", "Status: ");
    form_.LabelConfigY = ReadoutLabel(fpga1, "LabelConfigY", "Config: ");
    form_.LabelIntrMask = ReadoutLabel(fpga1, "LabelIntrMask", "Intr. Mask: ");
    form_.LabelSampReg = ReadoutLabel(fpga1, "LabelSampReg", "Sample: ");
    form_.LabelFilter = ReadoutLabel(fpga1, "LabelFilter", "Filter:");
    for (QLabel* label : {form_.LabelID1, form_.LabelRev1, form_.LabelPreset3, form_.LabelStatusY,
                          form_.LabelConfigY, form_.LabelIntrMask, form_.LabelSampReg, form_.LabelFilter}) {
      fpga1Lines->addWidget(label);
    }
    column->addWidget(fpga1);

    auto* fpga2 = form_.GroupBox2 =
        Named(new QGroupBox(QStringLiteral("FPGA 2 Registers"), parent), QStringLiteral("GroupBox2"));
    auto* fpga2Lines = new QVBoxLayout(fpga2);
    form_.LabelID2 = ReadoutLabel(fpga2, "LabelID2", "ID: ");
    form_.LabelRev2 = ReadoutLabel(fpga2, "LabelRev2", "Rev: ");
    form_.LabelPreset1 = ReadoutLabel(fpga2, "LabelPreset1", "Preset1:");
    form_.LabelPreset2 = ReadoutLabel(fpga2, "LabelPreset2", "Preset2:");
    form_.LabelStatusX = ReadoutLabel(fpga2, "LabelStatusX", "Status: ");
    form_.LabelConfigX = ReadoutLabel(fpga2, "LabelConfigX", "Config: ");
    for (QLabel* label : {form_.LabelID2, form_.LabelRev2, form_.LabelPreset1, form_.LabelPreset2,
                          form_.LabelStatusX, form_.LabelConfigX}) {
      fpga2Lines->addWidget(label);
    }
    column->addWidget(fpga2);
    column->addStretch(1);
    return column;
  }

  QHBoxLayout* BottomRow(QWidget* parent) {
    auto* row = new QHBoxLayout;

    auto* buttons = new QVBoxLayout;
    form_.ButtonClearStatusAll = Button(parent, QStringLiteral("ButtonClearStatusAll"), "Clear All &Status",
                                        "Attempts to clear errors on all axes", kHelpMainWindow);
    form_.ButtonPresetAll = Button(parent, QStringLiteral("ButtonPresetAll"), "&Preset All Axes",
                                   "Position Preset for all axes", kHelpMainWindow);
    form_.BitBtnClose = CloseButton(parent);
    Wire(form_.ButtonClearStatusAll, &TForm1::ButtonClearStatusAllClick);
    Wire(form_.ButtonPresetAll, &TForm1::ButtonPresetAllClick);
    QObject::connect(form_.BitBtnClose, &QPushButton::clicked, &form_, &QWidget::close);
    for (QPushButton* button : {form_.ButtonClearStatusAll, form_.ButtonPresetAll, form_.BitBtnClose}) {
      buttons->addWidget(button);
    }
    buttons->addStretch(1);
    row->addLayout(buttons);

    row->addWidget(UpdateGroup(parent));
    row->addWidget(GlobalInterruptGroup(parent));
    row->addWidget(FilterGroup(parent));
    row->addStretch(1);
    return row;
  }

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

  QGroupBox* UpdateGroup(QWidget* parent) {
    auto* group = form_.GroupBox7 =
        Named(new QGroupBox(QStringLiteral("Update"), parent), QStringLiteral("GroupBox7"));
    SetHelp(group, kHelpMainWindow);
    auto* label = form_.LabelUpdate = Named(new QLabel(QStringLiteral("Updating"), group), QStringLiteral("LabelUpdate"));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(WidthOf(label, "Card Not Open"));
    QSizePolicy keepPlace = label->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    label->setSizePolicy(keepPlace);
    label->setVisible(false);
    auto* automatic = form_.RadioButtonUpdateAuto =
        Named(new QRadioButton(QStringLiteral("&Automatic"), group), QStringLiteral("RadioButtonUpdateAuto"));
    auto* manual = form_.RadioButtonUpdateManual =
        Named(new QRadioButton(QStringLiteral("&Manual"), group), QStringLiteral("RadioButtonUpdateManual"));
    automatic->setChecked(true);
    auto* update = form_.ButtonUpdate =
        Button(group, QStringLiteral("ButtonUpdate"), "&Update", "Updates all values", kHelpMainWindow);
    update->setEnabled(false);
    Wire(automatic, &TForm1::RadioButtonUpdateAutoClick);
    Wire(manual, &TForm1::RadioButtonUpdateManualClick);
    Wire(update, &TForm1::ButtonUpdateClick);
    auto* lines = new QVBoxLayout(group);
    for (QWidget* widget : std::initializer_list<QWidget*>{label, automatic, manual, update}) lines->addWidget(widget);
    return group;
  }

  QGroupBox* GlobalInterruptGroup(QWidget* parent) {
    auto* group = form_.GroupBox11 =
        Named(new QGroupBox(QStringLiteral("Global Interrupt"), parent), QStringLiteral("GroupBox11"));
    SetHelp(group, kHelpGlobalInterrupt);
    form_.LabelGlobalIntr = Indicator(group, QStringLiteral("LabelGlobalIntr"), nullptr);
    form_.ButtonGlobalIntr = Button(group, QStringLiteral("ButtonGlobalIntr"), "Toggle",
                                    "Toggles global interrupt bit", kHelpGlobalInterrupt);
    Wire(form_.LabelGlobalIntr, &TForm1::ButtonGlobalIntrClick);
    Wire(form_.ButtonGlobalIntr, &TForm1::ButtonGlobalIntrClick);
    auto* lines = new QVBoxLayout(group);
    lines->addWidget(form_.LabelGlobalIntr);
    lines->addWidget(form_.ButtonGlobalIntr);
    lines->addStretch(1);
    return group;
  }

  QGroupBox* FilterGroup(QWidget* parent) {
    auto* group = form_.GroupBox10 =
        Named(new QGroupBox(QStringLiteral("Filter"), parent), QStringLiteral("GroupBox10"));
    SetHelp(group, kHelpFilter);
    auto* enabled = form_.CheckBoxFilterEnb =
        Named(new QCheckBox(QStringLiteral("Enabled"), group), QStringLiteral("CheckBoxFilterEnb"));
    const QStringList gains{"0", "1", "2", "3"};
    auto* kv = form_.RadioGroupKV = Named(new TRadioGroup(QStringLiteral("Kv"), gains, 4, group), QStringLiteral("RadioGroupKV"));
    auto* kp = form_.RadioGroupKp = Named(new TRadioGroup(QStringLiteral("Kp"), gains, 4, group), QStringLiteral("RadioGroupKp"));
    Wire(enabled, &TForm1::CheckBoxFilterEnbClick);
    Wire(kv, &TForm1::RadioGroupKVClick);
    Wire(kp, &TForm1::RadioGroupKpClick);
    auto* lines = new QVBoxLayout(group);
    lines->addWidget(enabled);
    lines->addWidget(kv);
    lines->addWidget(kp);
    return group;
  }

  QLabel* ErrorLine(QWidget* parent) {
    auto* line = form_.LabelErrorData = Named(new QLabel(parent), QStringLiteral("LabelErrorData"));
    line->setTextFormat(Qt::PlainText);
    line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // A long report is cut at the right edge instead of widening the window.
    line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    line->setMinimumHeight(line->fontMetrics().height() + 6);
    return line;
  }

  TForm1& form_;
};

}  // namespace

void TForm1::BuildLayout() { LayoutBuilder(*this).Build(); }
