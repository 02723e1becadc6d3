// Start-up and re-selection with three boards: the selection dialog.
#include <QtTest>

#include "frame_fixture.h"

using namespace frame_test;

class ThreeBoardsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    uint32_t count = 0;
    QCOMPARE(ZemtraFind(nullptr, &count, boards_.data(), 3), ErrorCode{0});
    QCOMPARE(count, 3u);
    for (const DeviceLocation& b : boards_) expectedEntries_ << QStringLiteral("PCI Bus %1, Slot %2").arg(b.bus).arg(b.slot);
  }

  void init() {
    CreateRecordedWindows(boxes_, dialog_);
  }
  void cleanup() { DestroyWindows(); }

  void dialogAtStartUpWithTheFirstEntry() {
    dialog_.answer = mrCancel;
    Form1->Timer3Timer(Form1->Timer3);
    QCOMPARE(dialog_.shown, 1);
    QCOMPARE(dialog_.entries, expectedEntries_);
    QCOMPARE(dialog_.preselected, 0);
    // Cancel: any card, the first the library finds.
    QCOMPARE(Form1->CardIndex, -1);
    QVERIFY(Form1->CardOpen);
    QCOMPARE(Form1->CardLocation.bus, boards_[0].bus);
    QCOMPARE(Form1->CardLocation.slot, boards_[0].slot);
    QVERIFY(boxes_.asked.isEmpty());
  }

  void okAtStartUpOpensTheChosenCard() {
    dialog_.answer = mrOk;
    dialog_.choose = 2;
    Form1->Timer3Timer(Form1->Timer3);
    QCOMPARE(Form1->CardIndex, 2);
    QCOMPARE(Form1->CardLocation.slot, boards_[2].slot);
    QCOMPARE(Form1->windowTitle(),
             QStringLiteral(" Kestova Zemtra Monitor: PCI Bus %1, Slot %2, ID N4D27B")
                 .arg(boards_[2].bus)
                 .arg(boards_[2].slot));
  }

  void selectCardPreselectsTheCurrentAndCancelKeepsIt() {
    dialog_.answer = mrOk;
    dialog_.choose = 2;
    Form1->Timer3Timer(Form1->Timer3);
    const DeviceHandle before = Form1->CardHandle;

    dialog_.answer = mrCancel;
    dialog_.choose = 0;  // moved in the list, then cancelled
    Form1->SelectCard1->trigger();
    QCOMPARE(dialog_.shown, 2);
    QCOMPARE(dialog_.preselected, 2);
    QCOMPARE(Form1->CardIndex, 2);
    QVERIFY(Form1->CardOpen);
    QCOMPARE(Form1->CardLocation.slot, boards_[2].slot);
    uint16_t word = 0;
    QVERIFY(before == Form1->CardHandle || ZemtraGetStatus(before, &word) != 0);
    // The list was built once and is not searched again.
    QCOMPARE(FormSelectCard->ComboBoxCard->count(), 3);
  }

  void selectCardOkSwitchesCards() {
    dialog_.answer = mrCancel;
    Form1->Timer3Timer(Form1->Timer3);
    dialog_.answer = mrOk;
    dialog_.choose = 1;
    Form1->SelectCard1->trigger();
    QCOMPARE(Form1->CardIndex, 1);
    QCOMPARE(Form1->CardLocation.slot, boards_[1].slot);
    QVERIFY(Form1->windowTitle().contains(QStringLiteral("Slot %1,").arg(boards_[1].slot)));
  }

  void dialogAnswersWithItsButtons() {
    // The real dialog: OK gives mrOk, Cancel and the close box mrCancel.
    FormSelectCard->show();
    QVERIFY(FormSelectCard->ComboBoxCard->hasFocus() || !FormSelectCard->isActiveWindow());
    int result = -1;
    connect(FormSelectCard, &QDialog::finished, this, [&](int r) { result = r; });
    FormSelectCard->BitBtnCardOK->click();
    QCOMPARE(result, int(mrOk));
    FormSelectCard->show();
    FormSelectCard->BitBtnCardCancel->click();
    QCOMPARE(result, int(mrCancel));
    FormSelectCard->show();
    FormSelectCard->close();
    QCOMPARE(result, int(mrCancel));
    QCOMPARE(FormSelectCard->windowTitle(), QStringLiteral("Select Card"));
    QVERIFY(FormSelectCard->BitBtnCardOK->isDefault());
    QVERIFY(!FormSelectCard->ComboBoxCard->isEditable());
  }

 private:
  std::array<DeviceLocation, 3> boards_{};
  QStringList expectedEntries_;
  BoxRecorder boxes_;
  DialogRecorder dialog_;
};

QTEST_MAIN(ThreeBoardsTest)
#include "connection_threeboards_test.moc"
