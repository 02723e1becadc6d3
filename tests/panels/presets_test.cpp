// Preset entry boxes and preset actions on one still simulated board: the
// check of the typed text with its question, the register writes, the preset
// commands and the refreshes that follow, proved against the register trace.
#include <QPushButton>
#include <QtTest>

#include "panel_harness.h"
#include "zemtra_registers.h"

using panel_test::BoxRecorder;
using panel_test::RegisterTrace;
using panel_test::Window;

namespace {

const QString kQuestionCaption = QStringLiteral("Invalid Data");
constexpr unsigned kQuestionStyle = 0x31;  // OK and Cancel, exclamation icon, OK default

QString Question(int axis) {
  return QStringLiteral("Invalid number in Axis %1 Preset entry box.  Restore?").arg(axis);
}

void ReadPresetRegisters(DeviceHandle card) {
  uint32_t value = 0;
  for (int32_t offset : {ZEMTRA_REG_A1_PRESET, ZEMTRA_REG_A2_PRESET, ZEMTRA_REG_A3_PRESET}) {
    ZemtraReadRegisterLong(card, offset, &value);
  }
}

void Type(TEdit* box, const QString& text) {
  box->setText(text);
  box->setModified(true);
}

}  // namespace

class PresetsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<Window>();
    QVERIFY(window_->OpenCard());
    boxes_ = BoxRecorder();
    boxes_.Attach(window_->form);
    for (int32_t offset : {ZEMTRA_REG_A1_PRESET, ZEMTRA_REG_A2_PRESET, ZEMTRA_REG_A3_PRESET}) {
      ZemtraWriteRegisterLong(window_->form.CardHandle, offset, 0);
    }
    trace_.Take();
  }
  void cleanup() { window_.reset(); }

  void typingAndTabWritesThePresetRegister() {
    TForm1& form = window_->form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.EditPresetData1->setFocus();
    QTest::keyClicks(form.EditPresetData1, QStringLiteral("1000"));
    trace_.Take();
    QTest::keyClick(form.EditPresetData1, Qt::Key_Tab);
    COMPARE_TRACE(trace_, [&] {
      ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A1_PRESET, 1000);
      ReadPresetRegisters(form.CardHandle);
    });
    QCOMPARE(form.LabelPreset1->text(), QStringLiteral("Preset1: 0x000003E8"));
    QCOMPARE(form.EditPresetData1->text(), QStringLiteral("1000"));
    QCOMPARE(form.PresetValue[0], 1000);
    QVERIFY(!form.EditPresetData1->isModified());
    QVERIFY(boxes_.asked.isEmpty());
  }

  void enterWritesAtOnceAndLeavingWritesAgain() {
    TForm1& form = window_->form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.EditPresetData3->setFocus();
    QTest::keyClicks(form.EditPresetData3, QStringLiteral("-7"));
    trace_.Take();
    QTest::keyClick(form.EditPresetData3, Qt::Key_Return);
    QVERIFY(form.EditPresetData3->hasFocus());
    const auto writeAndRefresh = [&] {
      ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A3_PRESET, static_cast<uint32_t>(-7));
      ReadPresetRegisters(form.CardHandle);
    };
    COMPARE_TRACE(trace_, writeAndRefresh);
    form.EditPresetData1->setFocus();
    COMPARE_TRACE(trace_, writeAndRefresh);
    QCOMPARE(form.LabelPreset3->text(), QStringLiteral("Preset3: 0xFFFFFFF9"));
  }

  void leadingBlanksAreAccepted() {
    TForm1& form = window_->form;
    Type(form.EditPresetData2, QStringLiteral("  \t42"));
    emit form.EditPresetData2->exited(form.EditPresetData2);
    QVERIFY(boxes_.asked.isEmpty());
    QCOMPARE(form.PresetValue[1], 42);
    QCOMPARE(form.EditPresetData2->text(), QStringLiteral("42"));
  }

  void invalidTextAsksAndOkRestoresTheOldValueInDecimal() {
    TForm1& form = window_->form;
    form.PresetValue[0] = -5;
    Type(form.EditPresetData1, QStringLiteral("12a"));
    boxes_.answers = {mrOk};
    emit form.EditPresetData1->exited(form.EditPresetData1);
    QCOMPARE(boxes_.asked.size(), 1);
    QCOMPARE(boxes_.asked[0].text, Question(1));
    QCOMPARE(boxes_.asked[0].caption, kQuestionCaption);
    QCOMPARE(boxes_.asked[0].style, kQuestionStyle);
    QCOMPARE(form.EditPresetData1->text(), QStringLiteral("-5"));
    QCOMPARE(form.PresetValue[0], -5);
    QVERIFY(trace_.Take().isEmpty());
  }

  void invalidTextWithCancelKeepsTextAndModifiedFlag() {
    TForm1& form = window_->form;
    form.PresetValue[1] = 9;
    for (const char* text : {"12a", "", "1.5", "1,000", "2147483648", "0x123456789", "12 "}) {
      Type(form.EditPresetData2, QString::fromLatin1(text));
      boxes_.answers = {mrCancel};
      emit form.EditPresetData2->exited(form.EditPresetData2);
      QCOMPARE(boxes_.asked.last().text, Question(2));
      QCOMPARE(form.EditPresetData2->text(), QString::fromLatin1(text));
      QVERIFY(form.EditPresetData2->isModified());
      QCOMPARE(form.PresetValue[1], 9);
    }
    QCOMPARE(boxes_.asked.size(), 7);
    QVERIFY(trace_.Take().isEmpty());
  }

  void hexModeTextPassesTheCheckUnchanged() {
    TForm1& form = window_->form;
    ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A1_PRESET, 1000);
    ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A2_PRESET, static_cast<uint32_t>(-2));
    form.RadioGroupUnitSelect->SetItemIndex(1);
    form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
    QCOMPARE(form.EditPresetData1->text(), QStringLiteral("0x000003E8"));
    QCOMPARE(form.EditPresetData2->text(), QStringLiteral("0xFFFFFFFE"));
    trace_.Take();
    emit form.EditPresetData2->exited(form.EditPresetData2);
    QVERIFY(boxes_.asked.isEmpty());
    COMPARE_TRACE(trace_, [&] {
      ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A2_PRESET, static_cast<uint32_t>(-2));
      ReadPresetRegisters(form.CardHandle);
    });
  }

  void convertedTextDoesNotPassTheCheck() {
    TForm1& form = window_->form;
    ZemtraWriteRegisterLong(form.CardHandle, ZEMTRA_REG_A3_PRESET, 1000000);
    form.RadioGroupUnitSelect->SetItemIndex(2);
    form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
    QCOMPARE(form.EditPresetData3->text(), QStringLiteral("0.61798793"));
    trace_.Take();
    boxes_.answers = {mrOk};
    form.ButtonPreset3->click();
    QCOMPARE(boxes_.asked.size(), 1);
    QCOMPARE(boxes_.asked[0].text, Question(3));
    QCOMPARE(form.EditPresetData3->text(), QStringLiteral("1000000"));
    QVERIFY(trace_.Take().isEmpty());
  }

  void singleAxisPresetLoadsThenReadsStatusAndPosition() {
    TForm1& form = window_->form;
    Type(form.EditPresetData2, QStringLiteral("0x10"));
    form.ButtonPreset2->click();
    COMPARE_TRACE(trace_, [&] {
      uint16_t word = 0;
      int32_t position = 0;
      ZemtraPresetRaw(form.CardHandle, 1, 16, &word);
      ZemtraClearStatusBits(form.CardHandle, 0, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_A1_A2_STATUS, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_A3_REF_STATUS, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
      ZemtraSamplePosVel(form.CardHandle, 1);
      ZemtraReadRawPos(form.CardHandle, 1, &position);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("16"));
    QCOMPARE(form.LabelPosData2->Color(), kColorGood);
    QCOMPARE(form.LabelNoSig2->text(), QStringLiteral("OK"));
    QVERIFY(form.LabelErrorData->text().isEmpty());
  }

  void presetAllGoesOnWithTheOldValueOfAFailedBox() {
    TForm1& form = window_->form;
    form.PresetValue = {1, 2, 3};
    Type(form.EditPresetData1, QStringLiteral("111"));
    Type(form.EditPresetData2, QStringLiteral("x"));
    Type(form.EditPresetData3, QStringLiteral("$14D"));
    boxes_.answers = {mrCancel};
    form.ButtonPresetAll->click();
    QCOMPARE(boxes_.asked.size(), 1);
    QCOMPARE(boxes_.asked[0].text, Question(2));
    COMPARE_TRACE(trace_, [&] {
      uint16_t word = 0;
      ZemtraPresetRawAll(form.CardHandle, 111, 2, 0x14D, &word);
      // The full update follows; only its first call is checked here in detail.
      uint32_t first = 0, second = 0;
      int32_t p1 = 0, v1 = 0, p2 = 0, v2 = 0, p3 = 0, v3 = 0;
      ZemtraGetFPGAIds(form.CardHandle, &first, &second);
      ZemtraGetFPGARevs(form.CardHandle, &first, &second);
      ZemtraGetRawPosVelAll(form.CardHandle, &p1, &v1, &p2, &v2, &p3, &v3, &word);
      ReadPresetRegisters(form.CardHandle);
      ZemtraGetStatus(form.CardHandle, &word);
      for (int32_t offset : {ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_REG_A1_A2_CONTROL,
                             ZEMTRA_REG_A3_IRQ_CONTROL}) {
        ZemtraReadRegisterWord(form.CardHandle, offset, &word);
      }
      ZemtraGetConfig(form.CardHandle, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_INTERRUPT_MASK, &word);
      ZemtraGetInterruptMask(form.CardHandle, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_FILTER, &word);
      ZemtraGetFilter(form.CardHandle, &word);
    });
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("111"));
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("2"));
    QCOMPARE(form.LabelPosData3->text(), QStringLiteral("333"));
    // The update shows every box that is not being edited from its register.
    QCOMPARE(form.EditPresetData2->text(), QStringLiteral("2"));
    QCOMPARE(form.EditPresetData3->text(), QStringLiteral("333"));
  }

  void singleAxisPresetWithInvalidTextWritesNothing() {
    TForm1& form = window_->form;
    Type(form.EditPresetData1, QStringLiteral("- 1"));
    boxes_.answers = {mrCancel};
    form.ButtonPreset1->click();
    QCOMPARE(boxes_.asked.size(), 1);
    QVERIFY(trace_.Take().isEmpty());
  }

 private:
  std::unique_ptr<Window> window_;
  BoxRecorder boxes_;
  RegisterTrace trace_;
};

QTEST_MAIN(PresetsTest)
#include "presets_test.moc"
