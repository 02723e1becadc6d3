// Every control of the main window with no card open: nothing crashes, each
// failed call is reported, every handler runs to its end, and the indicators
// are painted from the members that no call could change.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "display_units.h"
#include "panel_harness.h"

using panel_test::BoxRecorder;
using panel_test::Window;

namespace {

QString ErrorLine(const TForm1& form, const char* function) {
  return QStringLiteral("ERROR: \"%1\" reported by %2()")
      .arg(QString::fromLatin1(ZemtraGetErrStr(form.LastError)), QString::fromLatin1(function));
}

}  // namespace

class NoCardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = std::make_unique<Window>();
    ZemtraDefaultDevice(&window_->form.CardLocation);
    boxes_ = BoxRecorder();
    boxes_.Attach(window_->form);
  }
  void cleanup() { window_.reset(); }

  void everyActionReportsItsFailure() {
    TForm1& form = window_->form;
    for (TEdit* box : {form.EditPresetData1, form.EditPresetData2, form.EditPresetData3}) {
      box->setText(QStringLiteral("1"));
    }
    QList<QObject*> controls;
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
      const bool updates = button == form.ButtonUpdate || button == form.ButtonPresetAll;
      if (button != form.BitBtnClose && !updates) controls << button;
    }
    for (TLabel* label : form.findChildren<TLabel*>()) controls << label;
    controls << form.CheckBoxFilterEnb;
    for (TRadioGroup* group : {form.RadioGroupKV, form.RadioGroupKp}) {
      for (QRadioButton* item : group->findChildren<QRadioButton*>()) controls << item;
    }
    for (TEdit* box : {form.EditPresetData1, form.EditPresetData2, form.EditPresetData3}) controls << box;
    QCOMPARE(controls.size(), 13 + 1 + 31 + 1 + 1 + 8 + 3);
    for (QObject* control : controls) {
      form.LabelErrorData->clear();
      form.LastError = 0;
      if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->click();
      } else if (auto* label = qobject_cast<TLabel*>(control)) {
        emit label->clicked(label);
      } else if (auto* box = qobject_cast<TEdit*>(control)) {
        emit box->exited(box);
      }
      QVERIFY2(form.LastError != 0, qPrintable(control->objectName()));
      QVERIFY2(form.LabelErrorData->text().startsWith(QStringLiteral("ERROR: ")), qPrintable(control->objectName()));
    }
    QVERIFY(boxes_.asked.isEmpty());
    QVERIFY(!form.UpdateInProgress);
  }

  void presetAllReportsThenItsUpdateSaysCardNotOpen() {
    TForm1& form = window_->form;
    for (TEdit* box : {form.EditPresetData1, form.EditPresetData2, form.EditPresetData3}) {
      box->setText(QStringLiteral("1"));
    }
    form.ButtonPresetAll->click();
    QVERIFY(boxes_.asked.isEmpty());
    QCOMPARE(form.LastFunction, "ZemtraPresetRawAll");
    QVERIFY(form.LastError != 0);
    QCOMPARE(form.LabelUpdate->text(), QStringLiteral("Card Not Open"));
    QVERIFY(form.UpdateInProgress);
  }

  void valueActionsShowErrorInYellow() {
    TForm1& form = window_->form;
    form.ButtonUpdate1->click();
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelVelData1->text(), QStringLiteral("Error"));
    QCOMPARE(form.LabelPosData1->Color(), kColorFault);
    QCOMPARE(form.LabelErrorData->text(), ErrorLine(form, "ZemtraReadRegisterWord"));
    form.ButtonRead2->click();
    QCOMPARE(form.LabelVelData2->Color(), kColorFault);
    QCOMPARE(form.LabelErrorData->text(), ErrorLine(form, "ZemtraReadRawVel"));
    emit form.LabelVelData3->clicked(form.LabelVelData3);
    QCOMPARE(form.LabelVelData3->text(), QStringLiteral("Error"));
    QVERIFY(form.LabelPosData3->text().isEmpty());
    form.ButtonSample1->click();
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("Error"));
  }

  void indicatorsArePaintedFromTheUnchangedMembers() {
    TForm1& form = window_->form;
    emit form.LabelGlitch1->clicked(form.LabelGlitch1);
    for (TLabel* label : {form.LabelNoSig1, form.LabelGlitch1, form.LabelNoSig2, form.LabelGlitch2,
                          form.LabelNoSig3, form.LabelGlitch3, form.LabelNoSigRef, form.LabelGlitchRef,
                          form.LabelErr1, form.LabelErr2, form.LabelErr3}) {
      QCOMPARE(label->text(), QStringLiteral("OK"));
      QCOMPARE(label->Color(), kColorGood);
    }
    for (TLabel* label : {form.LabelPosValid1, form.LabelPosValid2, form.LabelPosValid3}) {
      QCOMPARE(label->text(), QStringLiteral("Invalid"));
    }
    QCOMPARE(form.LabelStatusX->text(), QStringLiteral("Status: 0x????"));
    QCOMPARE(form.LabelSampReg->text(), QStringLiteral("Sample: 0x0000"));

    emit form.LabelDir2->clicked(form.LabelDir2);
    for (TLabel* label : {form.LabelDir1, form.LabelDir2, form.LabelDir3}) {
      QCOMPARE(label->text(), QStringLiteral("Positive"));
    }
    QCOMPARE(form.LabelGlobalIntr->text(), QStringLiteral("Disabled"));
    QCOMPARE(form.LabelErrorData->text(), ErrorLine(form, "ZemtraGetConfig"));
    emit form.LabelIntrNoSigRef->clicked(form.LabelIntrNoSigRef);
    QCOMPARE(form.LabelIntrNoSigRef->text(), QStringLiteral("No"));
    QCOMPARE(form.LabelIntrGlitch1->Color(), kColorOff);
    form.RadioGroupKV->findChildren<QRadioButton*>().at(3)->click();
    QCOMPARE(form.RadioGroupKV->ItemIndex(), 0);
    QCOMPARE(form.RadioGroupKp->ItemIndex(), 0);
    QVERIFY(!form.CheckBoxFilterEnb->isChecked());
    QCOMPARE(form.LabelErrorData->text(), ErrorLine(form, "ZemtraGetFilter"));
  }

  void cardInfoShowsTheLocationHeldAndReportsTheRevisionRead() {
    TForm1& form = window_->form;
    form.RefreshCardInfo();
    QCOMPARE(form.LabelPciBus->text(), QStringLiteral("PCI Bus: -1"));
    QCOMPARE(form.LabelPciSlot->text(), QStringLiteral("PCI Slot: -1"));
    QCOMPARE(form.LabelApiRev->text(), QStringLiteral("API Rev: 0x10"));
    QCOMPARE(form.LabelErrorData->text(), ErrorLine(form, "ZemtraGetHdwRev"));
  }

  void updatesAndSettingsOnlySayCardNotOpen() {
    TForm1& form = window_->form;
    form.LabelPosData1->setText(QStringLiteral("1234"));
    form.RadioGroupUnitSelect->findChildren<QRadioButton*>().at(2)->click();
    QCOMPARE(form.PositionScale, zemtra::units::kMmPositionScale);
    QCOMPARE(form.LabelUpdate->text(), QStringLiteral("Card Not Open"));
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("1234"));
    QVERIFY(form.UpdateInProgress);
    form.RadioGroupAx2Optic->findChildren<QRadioButton*>().at(1)->click();
    QCOMPARE(form.FoldFactor[1], uint16_t{4});
    QCOMPARE(form.LabelPosData1->text(), QStringLiteral("1234"));
  }

  void blankPanelsWorksOnTheInitialCaptions() {
    TForm1& form = window_->form;
    form.BlankPanels();
    QCOMPARE(form.LabelID1->text(), QStringLiteral("ID:"));
    QCOMPARE(form.LabelIntrMask->text(), QStringLiteral("Intr. Mask:"));
    QCOMPARE(form.LabelFilter->text(), QStringLiteral("Filter:"));
    QCOMPARE(form.LabelPreset2->text(), QStringLiteral("Preset2:"));
    QCOMPARE(form.LabelGlobalIntr->Color(), kColorNone);
  }

 private:
  std::unique_ptr<Window> window_;
  BoxRecorder boxes_;
};

QTEST_MAIN(NoCardTest)
#include "nocard_test.moc"
