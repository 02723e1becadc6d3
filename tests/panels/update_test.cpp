// The update cycle, the update modes, the per-axis sample and read actions
// and the display units, on one still simulated board. Call orders are proved
// against the trace of the same library calls made by the test itself.
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <bit>

#include "display_units.h"
#include "panel_harness.h"
#include "zemtra_registers.h"

using panel_test::RegisterTrace;
using panel_test::Window;

namespace {

const int32_t kPositions[3] = {1000000, -123456789, INT32_MIN};

// Every library call of one full update, in the order the window must make them.
void FullUpdateCalls(DeviceHandle card) {
  uint32_t first = 0, second = 0;
  int32_t p1 = 0, v1 = 0, p2 = 0, v2 = 0, p3 = 0, v3 = 0;
  uint16_t word = 0;
  ZemtraGetFPGAIds(card, &first, &second);
  ZemtraGetFPGARevs(card, &first, &second);
  ZemtraGetRawPosVelAll(card, &p1, &v1, &p2, &v2, &p3, &v3, &word);
  for (int32_t offset : {ZEMTRA_REG_A1_PRESET, ZEMTRA_REG_A2_PRESET, ZEMTRA_REG_A3_PRESET}) {
    ZemtraReadRegisterLong(card, offset, &first);
  }
  ZemtraGetStatus(card, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A1_A2_STATUS, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A3_REF_STATUS, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A1_A2_CONTROL, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A3_IRQ_CONTROL, &word);
  ZemtraGetConfig(card, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_INTERRUPT_MASK, &word);
  ZemtraGetInterruptMask(card, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_SAMPLE, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_FILTER, &word);
  ZemtraGetFilter(card, &word);
}

uint64_t Bits(double value) { return std::bit_cast<uint64_t>(value); }

}  // namespace

class UpdateTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<Window>();
    QVERIFY(window_->OpenCard());
    TForm1& form = window_->form;
    uint16_t status = 0;
    for (int16_t axis = 0; axis < 3; ++axis) ZemtraPresetRaw(form.CardHandle, axis, kPositions[axis], &status);
    trace_.Take();
  }
  void cleanup() { window_.reset(); }

  void fullUpdateMakesItsCallsInOrder() {
    TForm1& form = window_->form;
    form.ButtonUpdateClick(form.ButtonUpdate);
    const QStringList made = trace_.Take();
    QCOMPARE(made, trace_.Of([&] { FullUpdateCalls(form.CardHandle); }));
    QVERIFY(panel_test::Writes(made).size() == 1);  // the sample command only
    QVERIFY(!form.UpdateInProgress);
    QVERIFY(form.LabelUpdate->isVisibleTo(&form));
    QCOMPARE(form.LabelUpdate->text(), QStringLiteral("Updating"));
    QVERIFY(form.Timer2->isActive());
    QVERIFY(form.LabelErrorData->text().isEmpty());
  }

  void fullUpdateShowsEveryAxisInLightGreen() {
    TForm1& form = window_->form;
    form.ButtonUpdateClick(form.ButtonUpdate);
    const TLabel* positions[] = {form.LabelPosData1, form.LabelPosData2, form.LabelPosData3};
    const TLabel* velocities[] = {form.LabelVelData1, form.LabelVelData2, form.LabelVelData3};
    for (int axis = 0; axis < 3; ++axis) {
      QCOMPARE(positions[axis]->text(), QString::number(kPositions[axis]));
      QCOMPARE(velocities[axis]->text(), QStringLiteral("0"));
      QCOMPARE(positions[axis]->Color(), kColorGood);
      QCOMPARE(velocities[axis]->Color(), kColorGood);
    }
  }

  void timerTickRunsTheFullUpdate() {
    TForm1& form = window_->form;
    QMetaObject::invokeMethod(form.Timer1, "timeout", Qt::DirectConnection);
    COMPARE_TRACE(trace_, [&] { FullUpdateCalls(form.CardHandle); });
  }

  void updatingIndicatorKeepsItsFirstPeriod() {
    TForm1& form = window_->form;
    form.ButtonUpdateClick(form.ButtonUpdate);
    const int timer = form.Timer2->timerId();
    form.ButtonUpdateClick(form.ButtonUpdate);
    QCOMPARE(form.Timer2->timerId(), timer);
    QMetaObject::invokeMethod(form.Timer2, "timeout", Qt::DirectConnection);
    QVERIFY(!form.LabelUpdate->isVisibleTo(&form));
    QVERIFY(!form.Timer2->isActive());
  }

  void withoutCardTheUpdateOnlySaysSo() {
    TForm1& form = window_->form;
    form.ButtonUpdateClick(form.ButtonUpdate);
    trace_.Take();
    form.CardOpen = false;
    ZemtraPresetRaw(form.CardHandle, 0, 5, &form.StatusWord);
    trace_.Take();
    form.ButtonUpdateClick(form.ButtonUpdate);
    QVERIFY(trace_.Take().isEmpty());
    QCOMPARE(form.LabelUpdate->text(), QStringLiteral("Card Not Open"));
    QVERIFY(form.LabelUpdate->isVisibleTo(&form));
    QVERIFY(form.UpdateInProgress);
    QCOMPARE(form.LabelPosData1->text(), QString::number(kPositions[0]));
  }

  void updateModesSwitchTimerAndButtonWithoutUpdating() {
    TForm1& form = window_->form;
    QVERIFY(form.RadioButtonUpdateAuto->isChecked());
    QVERIFY(!form.ButtonUpdate->isEnabled());
    form.RadioButtonUpdateManual->click();
    QVERIFY(!form.Timer1->isActive());
    QVERIFY(form.ButtonUpdate->isEnabled());
    form.RadioButtonUpdateAuto->click();
    QVERIFY(form.Timer1->isActive());
    QVERIFY(!form.ButtonUpdate->isEnabled());
    const int timer = form.Timer1->timerId();
    form.RadioButtonUpdateAutoClick(form.RadioButtonUpdateAuto);
    QCOMPARE(form.Timer1->timerId(), timer);
    QCOMPARE(form.Timer1->interval(), 1000);
    QVERIFY(trace_.Take().isEmpty());
  }

  void sampleAndReadReadsOneAxisThenTheDataStatus() {
    TForm1& form = window_->form;
    form.ButtonUpdate2->click();
    COMPARE_TRACE(trace_, [&] {
      int32_t position = 0, velocity = 0;
      uint16_t word = 0;
      ZemtraGetRawPosVel(form.CardHandle, 1, &position, &velocity);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
    QCOMPARE(form.LabelPosData2->text(), QString::number(kPositions[1]));
    QCOMPARE(form.LabelPosData2->Color(), kColorGood);
    QCOMPARE(form.LabelPosValid2->text(), QStringLiteral("Valid"));
    QVERIFY(form.LabelPosData1->text().isEmpty());
  }

  void readReadsTheLatchedValuesWithoutStatus() {
    TForm1& form = window_->form;
    form.ButtonRead3->click();
    COMPARE_TRACE(trace_, [&] {
      int32_t value = 0;
      ZemtraReadRawPos(form.CardHandle, 2, &value);
      ZemtraReadRawVel(form.CardHandle, 2, &value);
    });
    QVERIFY(form.LabelSampReg->text() == QStringLiteral("Sample: "));
  }

  void velocityClickSamplesAndReadsOnlyTheVelocity() {
    TForm1& form = window_->form;
    form.LabelPosData2->setText(QStringLiteral("untouched"));
    emit form.LabelVelData2->clicked(form.LabelVelData2);
    COMPARE_TRACE(trace_, [&] {
      int32_t value = 0;
      uint16_t word = 0;
      ZemtraSamplePosVel(form.CardHandle, 1);
      ZemtraReadRawVel(form.CardHandle, 1, &value);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
    QCOMPARE(form.LabelVelData2->text(), QStringLiteral("0"));
    QCOMPARE(form.LabelVelData2->Color(), kColorGood);
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("untouched"));
  }

  void positionClickSamplesAndReadsThePosition() {
    TForm1& form = window_->form;
    emit form.LabelPosData3->clicked(form.LabelPosData3);
    COMPARE_TRACE(trace_, [&] {
      int32_t value = 0;
      uint16_t word = 0;
      ZemtraSamplePosVel(form.CardHandle, 2);
      ZemtraReadRawPos(form.CardHandle, 2, &value);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
    QCOMPARE(form.LabelPosData3->text(), QString::number(kPositions[2]));
    QVERIFY(form.LabelVelData3->text().isEmpty());
  }

  void sampleFindsItsAxisFromTheSender() {
    TForm1& form = window_->form;
    const auto sampleThenStatus = [&](int16_t axis) {
      return trace_.Of([&] {
        uint16_t word = 0;
        if (axis >= 0) ZemtraSamplePosVel(form.CardHandle, axis);
        ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
      });
    };
    form.ButtonSample3->click();
    { const QStringList made = trace_.Take(); QCOMPARE(made, sampleThenStatus(2)); }
    form.ButtonSampleClick(form.LabelPosValid2);
    { const QStringList made = trace_.Take(); QCOMPARE(made, sampleThenStatus(1)); }
    form.ButtonSampleClick(form.ButtonRead1);
    { const QStringList made = trace_.Take(); QCOMPARE(made, sampleThenStatus(-1)); }
    QVERIFY(form.LabelPosData1->text().isEmpty());
  }

  void displayModesSetScalesPatternAndHexThenUpdate() {
    TForm1& form = window_->form;
    struct Mode {
      uint64_t position, velocity;
      const char* pattern;
      bool hex;
    };
    const Mode modes[] = {
        {Bits(1.0), Bits(1.0), "", false},
        {Bits(1.0), Bits(1.0), "", true},
        {0x3EB4BC79D3ECE53FULL, 0x3F78B83246E77DC4ULL, "#,##0.#######0", false},
        {0x3E6A1FD7F8D9D234ULL, 0x3F2F2487E87241B9ULL, "#,##0.########0", false},
    };
    for (int index = 0; index < 4; ++index) {
      form.RadioGroupUnitSelect->SetItemIndex(index);
      form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
      QCOMPARE(Bits(form.PositionScale), modes[index].position);
      QCOMPARE(Bits(form.VelocityScale), modes[index].velocity);
      if (*modes[index].pattern != '\0') QCOMPARE(form.ValueFormat, QString::fromLatin1(modes[index].pattern));
      QCOMPARE(form.ShowHex, modes[index].hex);
      COMPARE_TRACE(trace_, [&] { FullUpdateCalls(form.CardHandle); });
    }
    // Back to a raw mode: the pattern stays as the inch mode left it.
    form.RadioGroupUnitSelect->SetItemIndex(0);
    form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
    QCOMPARE(form.ValueFormat, QStringLiteral("#,##0.########0"));
    QCOMPARE(form.LabelPosData3->text(), QStringLiteral("-2147483648"));
  }

  void valuesFollowTheModeAndEachAxisFoldFactor() {
    TForm1& form = window_->form;
    form.RadioGroupAx3Optic->SetItemIndex(2);
    form.RadioGroupAx3OpticClick(form.RadioGroupAx3Optic);
    QCOMPARE(form.FoldFactor, (std::array<uint16_t, 3>{2, 2, 8}));
    QCOMPARE(form.LabelPosData3->text(), QStringLiteral("-2147483648"));  // raw: no fold

    form.RadioGroupUnitSelect->SetItemIndex(1);
    form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("0x000F4240"));
    QCOMPARE(form.LabelPosData3->text(), QStringLiteral("0x80000000"));
    QCOMPARE(form.EditPresetData2->text(), QStringLiteral("0xF8A432EB"));

    form.RadioGroupUnitSelect->SetItemIndex(2);
    form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("0.61798793"));
    QCOMPARE(form.LabelPosData3->text(), QStringLiteral("-331.77974312"));  // fold 8
    QCOMPARE(form.LabelVelData1->text(), QStringLiteral("0.0000"));

    form.RadioGroupAx1Optic->SetItemIndex(1);
    form.RadioGroupAx1OpticClick(form.RadioGroupAx1Optic);
    QCOMPARE(form.FoldFactor[0], uint16_t{4});
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("0.30899396"));
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("-76.29480537"));

    form.RadioGroupUnitSelect->SetItemIndex(3);
    form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("-3.003732495"));
  }

  void showOperationsWriteLabelsAndBoxesAlike() {
    TForm1& form = window_->form;
    TEdit box;
    TLabel label;
    for (int index : {0, 1, 2, 3}) {
      form.RadioGroupUnitSelect->SetItemIndex(index);
      form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
      for (int32_t count : {0, -1, 1000, INT32_MAX, INT32_MIN}) {
        form.ShowPositionValue(&box, count, 4);
        form.ShowPositionValue(&label, count, 4);
        QCOMPARE(box.text(), label.text());
        form.ShowVelocityValue(&box, count, 8);
        form.ShowVelocityValue(&label, count, 8);
        QCOMPARE(box.text(), label.text());
      }
    }
    form.ShowVelocityValue(&label, 1000, 2);
    QCOMPARE(label.text(), QStringLiteral("0.1188"));
  }

 private:
  std::unique_ptr<Window> window_;
  RegisterTrace trace_;
};

QTEST_MAIN(UpdateTest)
#include "update_test.moc"
