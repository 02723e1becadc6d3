// Start-up with more boards than the list holds.
#include <QtTest>

#include "frame_fixture.h"

using namespace frame_test;

class ManyBoardsTest : public QObject {
  Q_OBJECT

 private slots:
  void onlySixteenAreListed() {
    uint32_t present = 0;
    QCOMPARE(ZemtraFind(nullptr, &present, nullptr, 0), ErrorCode{0});
    QCOMPARE(present, 17u);

    CreateWindows();
    DialogRecorder dialog;
    dialog.Attach(Form1);
    dialog.answer = mrOk;
    dialog.choose = 15;
    Form1->Timer3Timer(Form1->Timer3);
    QCOMPARE(Form1->CardCount, 16u);
    QCOMPARE(dialog.entries.size(), 16);
    QCOMPARE(dialog.preselected, 0);
    QCOMPARE(Form1->CardIndex, 15);
    QVERIFY(Form1->CardOpen);
    QCOMPARE(Form1->CardLocation.slot, Form1->CardList[15].slot);
    DestroyWindows();
  }
};

QTEST_MAIN(ManyBoardsTest)
#include "connection_manyboards_test.moc"
