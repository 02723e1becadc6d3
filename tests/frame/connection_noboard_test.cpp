// Start-up and re-selection with no board in the machine, and a board that
// appears while the retry box is open.
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "frame_fixture.h"
#include "zemtra_registers.h"

using namespace frame_test;

namespace {

// Lays out one board in a sysfs-like tree as the library's Linux backend
// reads it: identity files and register and revision windows backed by files.
void PlantBoard(const QString& sysfsRoot) {
  const QString device = sysfsRoot + "/bus/pci/devices/0000:07:09.0";
  QVERIFY(QDir().mkpath(device));
  const auto write = [&](const QString& name, const QByteArray& bytes) {
    QFile file(device + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  };
  write("vendor", "0x1f3c\n");
  write("device", "0x0a00\n");
  QByteArray registers(0x200, '\0');
  const quint32 id = ZEMTRA_BOARD_ID;
  for (int i = 0; i < 4; ++i) registers[ZEMTRA_REG_FPGA1_PRODUCT + i] = char((id >> (8 * i)) & 0xFF);
  write("resource2", registers);
  write("resource3", QByteArray(0x10, '\0'));
}

}  // namespace

class NoBoardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(sysfs_.isValid());
    QVERIFY(QDir().mkpath(sysfs_.path() + "/bus/pci/devices"));
    qputenv("ZEMTRA_SYSFS_ROOT", sysfs_.path().toLocal8Bit());
    CreateRecordedWindows(boxes_, dialog_);
  }
  void cleanup() {
    DestroyWindows();
    QDir(sysfs_.path() + "/bus").removeRecursively();
  }

  void retryThenCancelLeavesNoCard() {
    boxes_.answers = {mrRetry, mrCancel};
    QString lineAtFirstBox;
    boxes_.beforeAnswer = [&](int index) {
      if (index == 0) lineAtFirstBox = Form1->LabelErrorData->text();
    };
    Form1->Timer3Timer(Form1->Timer3);

    QVERIFY(!Form1->Timer3->isActive());
    QVERIFY(!FormSplash->isVisible());
    QCOMPARE(dialog_.shown, 0);
    QCOMPARE(boxes_.asked.size(), 2);
    for (const AskedBox& box : boxes_.asked) {
      QCOMPARE(box.text, kOpenFailedText);
      QCOMPARE(box.caption, kOpenFailedCaption);
      QCOMPARE(box.style, kOpenFailedStyle);
    }
    QCOMPARE(lineAtFirstBox, QStringLiteral("ERROR: \"Device not found\" reported by ZemtraOpen()"));
    QVERIFY(!Form1->CardOpen);
    QCOMPARE(Form1->CardHandle, DeviceHandle{0});
    QCOMPARE(Form1->CardIndex, -1);
    QCOMPARE(Form1->CardCount, 0u);
    QCOMPARE(Form1->windowTitle(), kNotOpenCaption);
    // The preset reads with no card fail with "A passed parameter is NULL".
    QVERIFY(Form1->LabelErrorData->text().startsWith("ERROR: \"A passed parameter is NULL\""));
    for (TEdit* box : {Form1->EditPresetData1, Form1->EditPresetData2, Form1->EditPresetData3})
      QVERIFY(box->text().isEmpty());
    // Automatic update from here on, showing that no card is open.
    QVERIFY(Form1->Timer1->isActive());
    FireTimer(Form1->Timer1);
    QCOMPARE(Form1->LabelUpdate->text(), QStringLiteral("Card Not Open"));
  }

  void boardAppearingBetweenRetriesIsOpened() {
    boxes_.answers = {mrRetry};
    boxes_.beforeAnswer = [&](int) { PlantBoard(sysfs_.path()); };
    Form1->Timer3Timer(Form1->Timer3);

    QCOMPARE(boxes_.asked.size(), 1);
    QVERIFY(Form1->CardOpen);
    QVERIFY(Form1->CardHandle != 0);
    QCOMPARE(Form1->CardLocation.bus, 7);
    QCOMPARE(Form1->CardLocation.slot, 9);
    QCOMPARE(Form1->windowTitle(), QStringLiteral(" Kestova Zemtra Monitor: PCI Bus 7, Slot 9, ID N4D27B"));
    // The card was not there at the search: the list stays empty.
    QCOMPARE(Form1->CardCount, 0u);
  }

  void selectCardWithAnEmptyListTriesAnyCardAgain() {
    Form1->Timer3Timer(Form1->Timer3);
    for (const int answer : {int(mrOk), int(mrCancel)}) {
      dialog_.answer = answer;
      boxes_.asked.clear();
      Form1->SelectCard1->trigger();
      QVERIFY(dialog_.entries.isEmpty());
      QCOMPARE(dialog_.preselected, -1);
      QCOMPARE(Form1->CardIndex, -1);
      QCOMPARE(boxes_.asked.size(), 1);
      QCOMPARE(boxes_.asked[0].text, kOpenFailedText);
      QCOMPARE(Form1->windowTitle(), kNotOpenCaption);
    }
  }

 private:
  QTemporaryDir sysfs_;
  BoxRecorder boxes_;
  DialogRecorder dialog_;
};

QTEST_MAIN(NoBoardTest)
#include "connection_noboard_test.moc"
