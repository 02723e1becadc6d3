// A board that does not identify as a Zemtra board: the warning box.
#include <QtTest>

#include "frame_fixture.h"
#include "zemtra_registers.h"

using namespace frame_test;

class IdentityTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    CreateWindows();
    boxes_ = BoxRecorder{};
    boxes_.Attach(Form1);
  }
  void cleanup() { DestroyWindows(); }

  void okUsesTheCardWithItsIdentification() {
    boxes_.answers = {mrOk};
    Form1->Timer3Timer(Form1->Timer3);
    QCOMPARE(boxes_.asked.size(), 1);
    QCOMPARE(boxes_.asked[0].text, kForeignText);
    QCOMPARE(boxes_.asked[0].caption, kForeignCaption);
    QCOMPARE(boxes_.asked[0].style, kForeignStyle);
    QVERIFY(Form1->CardOpen);
    QVERIFY(Form1->windowTitle().startsWith(" Kestova Zemtra Monitor: PCI Bus "));
    QVERIFY(Form1->windowTitle().endsWith(", ID N00001"));
  }

  void cardIsAlreadyOpenWhileTheWarningWaits() {
    bool openDuringBox = false;
    boxes_.beforeAnswer = [&](int) { openDuringBox = Form1->CardOpen; };
    boxes_.answers = {mrOk};
    Form1->Timer3Timer(Form1->Timer3);
    QVERIFY(openDuringBox);
  }

  void cancelClosesTheCard() {
    boxes_.answers = {mrCancel};
    Form1->Timer3Timer(Form1->Timer3);
    QCOMPARE(boxes_.asked.size(), 1);
    QVERIFY(!Form1->CardOpen);
    QCOMPARE(Form1->CardHandle, DeviceHandle{0});
    QCOMPARE(Form1->CardLocation.bus, -1);
    QCOMPARE(Form1->CardLocation.slot, -1);
    QCOMPARE(Form1->windowTitle(), kNotOpenCaption);
    QCOMPARE(Form1->LabelPciBus->text(), QStringLiteral("PCI Bus: -1"));
    QVERIFY(Form1->LabelErrorData->text().startsWith("ERROR: \"A passed parameter is NULL\""));
  }

 private:
  BoxRecorder boxes_;
};

QTEST_MAIN(IdentityTest)
#include "connection_identity_test.moc"
