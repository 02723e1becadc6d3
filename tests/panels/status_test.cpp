// The status panel on a board whose axis 2 signal is missing and whose
// reference glitches: invalid axes in the update, the glitch and no-signal
// indicators, clearing them by click, the data error write, Clear All Status.
#include <QPushButton>
#include <QtTest>

#include "panel_harness.h"
#include "zemtra_registers.h"

using panel_test::RegisterTrace;
using panel_test::Window;
using panel_test::Writes;

namespace {

// What ClearStatus(mask) does at the board: the clear, then both refreshes.
void ClearStatusCalls(DeviceHandle card, uint16_t mask) {
  uint16_t word = 0;
  ZemtraClearStatusBits(card, mask, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A1_A2_STATUS, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A3_REF_STATUS, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_SAMPLE, &word);
}

constexpr uint16_t kReferenceFlags = ZEMTRA_STATUS_REF_GLITCH | ZEMTRA_STATUS_REF_NOSIG;

bool WritesSampleRegister(const QStringList& lines) {
  const QString sample = QStringLiteral(" reg 0x%1 ").arg(ZEMTRA_REG_SAMPLE, 3, 16, QLatin1Char('0'));
  for (const QString& line : Writes(lines)) {
    if (line.contains(sample)) return true;
  }
  return false;
}

}  // namespace

class StatusTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<Window>();
    QVERIFY(window_->OpenCard());
    window_->form.ButtonUpdateClick(window_->form.ButtonUpdate);
    trace_.Take();
  }
  void cleanup() { window_.reset(); }

  void updateShowsValidAxesAndErrorForTheMissingOne() {
    TForm1& form = window_->form;
    QCOMPARE(form.LabelPosData1->Color(), kColorGood);
    QCOMPARE(form.LabelVelData3->Color(), kColorGood);
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelVelData2->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelPosData2->Color(), kColorFault);
    QCOMPARE(form.LabelVelData2->Color(), kColorFault);
    QCOMPARE(form.LabelErrorData->text(),
             QStringLiteral("NOTE: \"%1\" reported by ZemtraGetRawPosVelAll()")
                 .arg(QString::fromLatin1(ZemtraGetErrStr(ZEMTRA_ERR_INVALID_DATA))));
    QCOMPARE(form.LabelPosValid2->text(), QStringLiteral("Invalid"));
    QCOMPARE(form.LabelPosValid2->Color(), kColorFault);
    QCOMPARE(form.LabelPosValid1->text(), QStringLiteral("Valid"));
  }

  void indicatorsShowTheLatchedFlags() {
    TForm1& form = window_->form;
    QCOMPARE(form.LabelNoSig2->text(), QStringLiteral("ERR"));
    QCOMPARE(form.LabelNoSig2->Color(), kColorFault);
    QCOMPARE(form.LabelGlitchRef->text(), QStringLiteral("ERR"));
    for (TLabel* label : {form.LabelNoSig1, form.LabelGlitch1, form.LabelGlitch2, form.LabelNoSig3,
                          form.LabelGlitch3, form.LabelNoSigRef}) {
      QCOMPARE(label->text(), QStringLiteral("OK"));
      QCOMPARE(label->Color(), kColorGood);
    }
    // Bits that name no indicator change none.
    form.StatusWord = static_cast<uint16_t>(~(kReferenceFlags | ZEMTRA_STATUS_A1_GLITCH | ZEMTRA_STATUS_A1_NOSIG |
                                                ZEMTRA_STATUS_A2_GLITCH | ZEMTRA_STATUS_A2_NOSIG |
                                                ZEMTRA_STATUS_A3_GLITCH | ZEMTRA_STATUS_A3_NOSIG));
    form.RefreshSignalStatus();
    for (TLabel* label : {form.LabelNoSig1, form.LabelGlitch1, form.LabelNoSig2, form.LabelGlitch2,
                          form.LabelNoSig3, form.LabelGlitch3, form.LabelNoSigRef, form.LabelGlitchRef}) {
      QCOMPARE(label->text(), QStringLiteral("OK"));
    }
  }

  void readOnTheInvalidAxisReportsBothReads() {
    TForm1& form = window_->form;
    form.ButtonRead2->click();
    QCOMPARE(form.LabelPosData2->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelVelData2->text(), QStringLiteral("Error"));
    QVERIFY(form.LabelErrorData->text().endsWith(QStringLiteral("reported by ZemtraReadRawVel()")));
  }

  void glitchClickClearsItsOwnBit() {
    TForm1& form = window_->form;
    emit form.LabelGlitchRef->clicked(form.LabelGlitchRef);
    COMPARE_TRACE(trace_, [&] { ClearStatusCalls(form.CardHandle, ZEMTRA_STATUS_REF_GLITCH); });
    QCOMPARE(form.LabelGlitchRef->text(), QStringLiteral("OK"));
    QCOMPARE(form.LabelNoSig2->text(), QStringLiteral("ERR"));  // missing again at once
    emit form.LabelNoSigRef->clicked(form.LabelNoSigRef);
    COMPARE_TRACE(trace_, [&] { ClearStatusCalls(form.CardHandle, ZEMTRA_STATUS_REF_NOSIG); });
  }

  void errorClickWithoutDataErrorOnlyClears() {
    TForm1& form = window_->form;
    QCOMPARE(form.SampleWord & ZEMTRA_SMP_A2_PRESET, 0);
    emit form.LabelErr2->clicked(form.LabelErr2);
    const QStringList made = trace_.Take();
    QVERIFY(!WritesSampleRegister(made));
    QCOMPARE(made, trace_.Of([&] {
      ClearStatusCalls(form.CardHandle, ZEMTRA_STATUS_A2_GLITCH | ZEMTRA_STATUS_A2_NOSIG | kReferenceFlags);
    }));
  }

  void errorClickWithDataErrorWritesItsPresetBit() {
    TForm1& form = window_->form;
    // A preset on the axis without signal leaves its data error flag set.
    form.EditPresetData2->setText(QStringLiteral("5"));
    form.ButtonPreset2->click();
    QVERIFY(form.LabelErrorData->text().startsWith(QStringLiteral("NOTE: ")));
    QCOMPARE(form.LabelErr2->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelErr2->Color(), kColorFault);
    trace_.Take();
    emit form.LabelErr2->clicked(form.LabelErr2);
    COMPARE_TRACE(trace_, [&] {
      ClearStatusCalls(form.CardHandle, ZEMTRA_STATUS_A2_GLITCH | ZEMTRA_STATUS_A2_NOSIG | kReferenceFlags);
      ZemtraWriteRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, ZEMTRA_SMP_A2_PRESET);
      ClearStatusCalls(form.CardHandle, 0);
    });
  }

  void dataClickClearsLikeErrorThenSamples() {
    TForm1& form = window_->form;
    emit form.LabelPosValid3->clicked(form.LabelPosValid3);
    COMPARE_TRACE(trace_, [&] {
      uint16_t word = 0;
      ClearStatusCalls(form.CardHandle, ZEMTRA_STATUS_A3_GLITCH | ZEMTRA_STATUS_A3_NOSIG | kReferenceFlags);
      ZemtraSamplePosVel(form.CardHandle, 2);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
    QCOMPARE(form.LabelPosValid3->text(), QStringLiteral("Valid"));
    emit form.LabelPosValid1->clicked(form.LabelPosValid1);
    COMPARE_TRACE(trace_, [&] {
      uint16_t word = 0;
      ClearStatusCalls(form.CardHandle, ZEMTRA_STATUS_A1_GLITCH | ZEMTRA_STATUS_A1_NOSIG | kReferenceFlags);
      ZemtraSamplePosVel(form.CardHandle, 0);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
  }

  void clearAllLeavesTheDataErrorAlone() {
    TForm1& form = window_->form;
    form.EditPresetData2->setText(QStringLiteral("5"));
    form.ButtonPreset2->click();
    trace_.Take();
    form.ButtonClearStatusAll->click();
    const QStringList made = trace_.Take();
    QVERIFY(!WritesSampleRegister(made));
    // The first clear finds flags the repeat does not: compare the accesses only.
    QCOMPARE(panel_test::Shape(made), panel_test::Shape(trace_.Of([&] {
      uint16_t word = 0;
      ZemtraClearStatusAll(form.CardHandle, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_A1_A2_STATUS, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_A3_REF_STATUS, &word);
      ZemtraReadRegisterWord(form.CardHandle, ZEMTRA_REG_SAMPLE, &word);
    })));
    QCOMPARE(form.LabelErr2->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelGlitchRef->text(), QStringLiteral("OK"));
  }

 private:
  std::unique_ptr<Window> window_;
  RegisterTrace trace_;
};

QTEST_MAIN(StatusTest)
#include "status_test.moc"
