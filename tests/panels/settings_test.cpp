// Direction, interrupt and filter controls, the register readouts, the preset
// boxes that follow their registers, and the no-card blanking, on one still
// simulated board.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "panel_harness.h"
#include "zemtra_registers.h"

using panel_test::RegisterTrace;
using panel_test::Window;
using panel_test::Writes;

namespace {

uint16_t Config(DeviceHandle card) {
  uint16_t word = 0;
  ZemtraGetConfig(card, &word);
  return word;
}

uint16_t Mask(DeviceHandle card) {
  uint16_t word = 0;
  ZemtraGetInterruptMask(card, &word);
  return word;
}

// The radio button of item `index` in a radio group, as the user clicks it.
QAbstractButton* Item(TRadioGroup* group, int index) {
  return group->findChildren<QRadioButton*>().at(index);
}

QString FilterWrite(uint16_t value) {
  const auto hex = [](unsigned number, int digits) {
    return QString::number(number, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
  };
  return QStringLiteral("W16 reg 0x%1 0x%2").arg(hex(ZEMTRA_REG_FILTER, 3), hex(value, 4));
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<Window>();
    QVERIFY(window_->OpenCard());
    const DeviceHandle card = window_->form.CardHandle;
    ZemtraSetConfig(card, 0);
    ZemtraSetInterruptMask(card, 0);
    ZemtraSetFilter(card, 0);
    trace_.Take();
  }
  void cleanup() { window_.reset(); }

  void directionClickTogglesOnlyItsBit() {
    TForm1& form = window_->form;
    emit form.LabelDir3->clicked(form.LabelDir3);
    const QStringList made = trace_.Take();
    QCOMPARE(Config(form.CardHandle), uint16_t{ZEMTRA_CONFIG_A3_DIR});
    ZemtraSetConfig(form.CardHandle, 0);
    const QStringList expected = trace_.Of([&] {
      uint16_t word = 0;
      ZemtraGetConfig(form.CardHandle, &word);
      ZemtraSetConfig(form.CardHandle, static_cast<uint16_t>(word ^ ZEMTRA_CONFIG_A3_DIR));
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_A1_A2_CONTROL, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_A3_IRQ_CONTROL, &word);
      ZemtraGetConfig(form.CardHandle, &word);
    });
    QCOMPARE(made, expected);
    QCOMPARE(form.LabelDir3->text(), QStringLiteral("Negative"));
    QCOMPARE(form.LabelDir3->Color(), kColorOff);
    QCOMPARE(form.LabelDir1->text(), QStringLiteral("Positive"));
    QCOMPARE(form.LabelDir1->Color(), kColorGood);
    QCOMPARE(form.LabelConfigY->text(), QStringLiteral("Config: 0x0002"));
  }

  void directionClicksKeepOtherBitsTheBoardHolds() {
    TForm1& form = window_->form;
    ZemtraSetConfig(form.CardHandle, ZEMTRA_CONFIG_A2_DIR | ZEMTRA_CONFIG_IRQ_ENABLE);
    emit form.LabelDir1->clicked(form.LabelDir1);
    QCOMPARE(Config(form.CardHandle),
             uint16_t{ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_A2_DIR | ZEMTRA_CONFIG_IRQ_ENABLE});
    emit form.LabelDir2->clicked(form.LabelDir2);
    QCOMPARE(Config(form.CardHandle), uint16_t{ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_IRQ_ENABLE});
    QCOMPARE(form.LabelGlobalIntr->text(), QStringLiteral("Enabled"));
    QCOMPARE(form.LabelGlobalIntr->Color(), kColorGood);
  }

  void twoGlobalInterruptTogglesRestoreTheWord() {
    TForm1& form = window_->form;
    ZemtraSetConfig(form.CardHandle, ZEMTRA_CONFIG_A1_DIR);
    form.ButtonGlobalIntr->click();
    QCOMPARE(Config(form.CardHandle), uint16_t{ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_IRQ_ENABLE});
    QCOMPARE(form.LabelGlobalIntr->text(), QStringLiteral("Enabled"));
    emit form.LabelGlobalIntr->clicked(form.LabelGlobalIntr);
    QCOMPARE(Config(form.CardHandle), uint16_t{ZEMTRA_CONFIG_A1_DIR});
    QCOMPARE(form.LabelGlobalIntr->text(), QStringLiteral("Disabled"));
    QCOMPARE(form.LabelGlobalIntr->Color(), kColorOff);
  }

  void interruptClicksInvertTheirMaskBit() {
    TForm1& form = window_->form;
    struct Case {
      TLabel* label;
      uint16_t bit;
    };
    const Case cases[] = {
        {form.LabelIntrGlitch1, ZEMTRA_IM_A1_GLITCH},     {form.LabelIntrNoSig1, ZEMTRA_IM_A1_NOSIG},
        {form.LabelIntrGlitch2, ZEMTRA_IM_A2_GLITCH},     {form.LabelIntrNoSig2, ZEMTRA_IM_A2_NOSIG},
        {form.LabelIntrGlitch3, ZEMTRA_IM_A3_GLITCH},     {form.LabelIntrNoSig3, ZEMTRA_IM_A3_NOSIG},
        {form.LabelIntrGlitchRef, ZEMTRA_IM_REF_GLITCH}, {form.LabelIntrNoSigRef, ZEMTRA_IM_REF_NOSIG},
    };
    uint16_t expected = 0;
    for (const Case& c : cases) {
      emit c.label->clicked(c.label);
      expected = static_cast<uint16_t>(expected | c.bit);
      QCOMPARE(Mask(form.CardHandle), expected);
      QCOMPARE(c.label->text(), QStringLiteral("Yes"));
      QCOMPARE(c.label->Color(), kColorGood);
    }
    emit form.LabelIntrGlitch1->clicked(form.LabelIntrGlitch1);
    QCOMPARE(expected, uint16_t{0x3333});
    QCOMPARE(Mask(form.CardHandle), uint16_t{0x3133});
    QCOMPARE(form.LabelIntrGlitch1->text(), QStringLiteral("No"));
    QCOMPARE(form.LabelIntrGlitch1->Color(), kColorOff);
    QCOMPARE(form.LabelIntrMask->text(), QStringLiteral("Intr. Mask: 0x3133"));
  }

  void filterClicksChangeOnlyTheirField() {
    TForm1& form = window_->form;
    ZemtraSetFilter(form.CardHandle, 0x001D);
    form.RefreshFilter();
    trace_.Take();
    Item(form.RadioGroupKV, 2)->click();
    QCOMPARE(Writes(trace_.Take()), QStringList{FilterWrite(0x0019)});

    ZemtraSetFilter(form.CardHandle, 0x001F);
    form.RefreshFilter();
    trace_.Take();
    Item(form.RadioGroupKp, 0)->click();
    QCOMPARE(Writes(trace_.Take()), QStringList{FilterWrite(0x001C)});

    ZemtraSetFilter(form.CardHandle, 0x0017);
    form.RefreshFilter();
    QVERIFY(form.CheckBoxFilterEnb->isChecked());
    trace_.Take();
    form.CheckBoxFilterEnb->click();
    QCOMPARE(Writes(trace_.Take()), QStringList{FilterWrite(0x0007)});
    QVERIFY(!form.CheckBoxFilterEnb->isChecked());
    QCOMPARE(form.LabelFilter->text(), QStringLiteral("Filter: 0x00000007"));
  }

  void filterRefreshShowsTheBoardWithoutWriting() {
    TForm1& form = window_->form;
    QVERIFY(!form.CheckBoxFilterEnb->isChecked());
    QCOMPARE(form.RadioGroupKV->ItemIndex(), -1);
    QCOMPARE(form.RadioGroupKp->ItemIndex(), -1);
    ZemtraSetFilter(form.CardHandle, 0x001D);
    trace_.Take();
    form.RefreshFilter();
    QVERIFY(Writes(trace_.Take()).isEmpty());
    QVERIFY(form.CheckBoxFilterEnb->isChecked());
    QCOMPARE(form.RadioGroupKV->ItemIndex(), 3);
    QCOMPARE(form.RadioGroupKp->ItemIndex(), 1);
    QCOMPARE(form.LabelFilter->text(), QStringLiteral("Filter: 0x0000001D"));
    ZemtraSetFilter(form.CardHandle, 0x0008);
    form.ButtonUpdateClick(form.ButtonUpdate);
    QCOMPARE(Writes(trace_.Take()).size(), 2);  // the test's own and the sample command
    QVERIFY(!form.CheckBoxFilterEnb->isChecked());
    QCOMPARE(form.RadioGroupKV->ItemIndex(), 2);
    QCOMPARE(form.RadioGroupKp->ItemIndex(), 0);
  }

  void readoutsShowTheirRegistersInTheirFormats() {
    TForm1& form = window_->form;
    ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A1_PRESET, 0xFFFFFFFF);
    ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A3_PRESET, 0x12AB);
    ZemtraSetConfig(form.CardHandle, ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_A3_DIR);
    form.ButtonUpdateClick(form.ButtonUpdate);
    QCOMPARE(form.LabelID1->text(), QStringLiteral("ID: 0x0004D27B"));
    QCOMPARE(form.LabelID2->text(), QStringLiteral("ID: 0x0004D27C"));
    QCOMPARE(form.LabelRev1->text(), QStringLiteral("Rev: 0x00020104"));
    QCOMPARE(form.LabelRev2->text(), QStringLiteral("Rev: 0x00020103"));
    QCOMPARE(form.LabelPreset1->text(), QStringLiteral("Preset1: 0xFFFFFFFF"));
    QCOMPARE(form.LabelPreset2->text(), QStringLiteral("Preset2: 0x00000000"));
    QCOMPARE(form.LabelPreset3->text(), QStringLiteral("Preset3: 0x000012AB"));
    QCOMPARE(form.LabelConfigX->text(), QStringLiteral("Config: 0x0004"));
    QCOMPARE(form.LabelConfigY->text(), QStringLiteral("Config: 0x0002"));
    QCOMPARE(form.LabelStatusX->text(), QStringLiteral("Status: 0x0000"));
    QCOMPARE(form.LabelSampReg->text(), QStringLiteral("Sample: 0x0222"));
    QCOMPARE(form.LabelFilter->text(), QStringLiteral("Filter: 0x00000000"));
    QCOMPARE(form.EditPresetData1->text(), QStringLiteral("-1"));
  }

  void cardInfoShowsLocationAndRevisions() {
    TForm1& form = window_->form;
    form.RefreshCardInfo();
    QCOMPARE(form.LabelPciBus->text(), QStringLiteral("PCI Bus: %1").arg(form.CardLocation.bus));
    QCOMPARE(form.LabelPciSlot->text(), QStringLiteral("PCI Slot: %1").arg(form.CardLocation.slot));
    QCOMPARE(form.LabelHdwRev->text(), QStringLiteral("Hdw Rev: 0x03"));  // of the word 0x0312
    QCOMPARE(form.LabelApiRev->text(), QStringLiteral("API Rev: 0x10"));
    QVERIFY(form.LabelErrorData->text().isEmpty());
    form.CardLocation = {-1, -1};
    form.RefreshCardInfo();
    QCOMPARE(form.LabelPciBus->text(), QStringLiteral("PCI Bus: -1"));
    QCOMPARE(form.LabelPciSlot->text(), QStringLiteral("PCI Slot: -1"));
  }

  void presetBoxesFollowTheirRegistersUnlessBeingEdited() {
    TForm1& form = window_->form;
    const int32_t values[] = {11, 22, 33};
    const int32_t offsets[] = {ZEMTRA_REG_A1_PRESET, ZEMTRA_REG_A2_PRESET, ZEMTRA_REG_A3_PRESET};
    for (int i = 0; i < 3; ++i) ZemtraWriteRegisterLong(form.CardHandle, offsets[i], static_cast<uint32_t>(values[i]));
    // Box 2 is being typed in; box 3 has been changed but lost the focus.
    form.EditPresetData2->setFocus();
    form.EditPresetData2->setText(QStringLiteral("7"));
    form.EditPresetData2->setModified(true);
    form.EditPresetData3->setText(QStringLiteral("8"));
    form.EditPresetData3->setModified(true);
    form.RefreshPresetRegisters();
    QCOMPARE(form.EditPresetData1->text(), QStringLiteral("11"));
    QCOMPARE(form.EditPresetData2->text(), QStringLiteral("7"));
    QVERIFY(form.EditPresetData2->isModified());
    QCOMPARE(form.EditPresetData3->text(), QStringLiteral("33"));
    QCOMPARE(form.PresetValue, (std::array<int32_t, 3>{11, 22, 33}));
    // A focused box the user has not changed is rewritten.
    form.EditPresetData2->setModified(false);
    form.RefreshPresetRegisters();
    QCOMPARE(form.EditPresetData2->text(), QStringLiteral("22"));
  }

  void blankPanelsGreysValuesAndCutsReadouts() {
    TForm1& form = window_->form;
    form.ButtonUpdateClick(form.ButtonUpdate);
    form.RefreshCardInfo();
    form.EditPresetData1->setText(QStringLiteral("123"));
    const QString bus = form.LabelPciBus->text();
    const uint16_t status = form.StatusWord, sample = form.SampleWord;
    trace_.Take();
    form.BlankPanels();
    QVERIFY(trace_.Take().isEmpty());
    const std::pair<QLabel*, const char*> readouts[] = {
        {form.LabelID1, "ID:"},          {form.LabelID2, "ID:"},         {form.LabelRev1, "Rev:"},
        {form.LabelRev2, "Rev:"},        {form.LabelPreset1, "Preset1:"}, {form.LabelPreset2, "Preset2:"},
        {form.LabelPreset3, "Preset3:"}, {form.LabelStatusX, "Status:"}, {form.LabelStatusY, "Status:"},
        {form.LabelConfigX, "Config:"},  {form.LabelConfigY, "Config:"}, {form.LabelIntrMask, "Intr. Mask:"},
        {form.LabelSampReg, "Sample:"},  {form.LabelFilter, "Filter:"},
    };
    for (const auto& [label, text] : readouts) QCOMPARE(label->text(), QString::fromLatin1(text));
    int greyed = 0;
    for (TLabel* label : form.findChildren<TLabel*>()) {
      if (label == form.LabelGlobalIntr) continue;
      QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
      QCOMPARE(label->Color(), kColorNone);
      ++greyed;
    }
    QCOMPARE(greyed, 31);
    QCOMPARE(form.LabelGlobalIntr->text(), QStringLiteral("Disabled"));
    QCOMPARE(form.LabelPciBus->text(), bus);
    QCOMPARE(form.EditPresetData1->text(), QStringLiteral("123"));
    QCOMPARE(form.RadioGroupKV->ItemIndex(), 0);
    QCOMPARE(form.StatusWord, status);
    QCOMPARE(form.SampleWord, sample);
  }

 private:
  std::unique_ptr<Window> window_;
  RegisterTrace trace_;
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
