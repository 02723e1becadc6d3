// Start-up with exactly one board, re-selection, and the closing of the
// main window with a card open.
#include <QFile>
#include <QTimer>
#include <QtTest>

#include "frame_fixture.h"
#include "helpviewer.h"
#include "zemtra_registers.h"

using namespace frame_test;

class OneBoardTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    uint32_t count = 0;
    QCOMPARE(ZemtraFind(nullptr, &count, &board_, 1), ErrorCode{0});
    QCOMPARE(count, 1u);
    SetApplicationHelpFile(QStringLiteral(ZEMTRA_TEST_HELP_FILE));
  }

  void init() {
    CreateRecordedWindows(boxes_, dialog_);
  }
  void cleanup() { DestroyWindows(); }

  void startUpOpensTheOnlyCardWithoutAsking() {
    Form1->showMinimized();
    Form1->Timer3Timer(Form1->Timer3);
    QCOMPARE(dialog_.shown, 0);
    QVERIFY(boxes_.asked.isEmpty());
    QCOMPARE(Form1->CardCount, 1u);
    QCOMPARE(Form1->CardIndex, -1);
    QVERIFY(Form1->CardOpen);
    QCOMPARE(Form1->CardLocation.bus, board_.bus);
    QCOMPARE(Form1->CardLocation.slot, board_.slot);
    QCOMPARE(Form1->windowTitle(),
             QStringLiteral(" Kestova Zemtra Monitor: PCI Bus %1, Slot %2, ID N4D27B")
                 .arg(board_.bus)
                 .arg(board_.slot));
    QCOMPARE(FormSelectCard->ComboBoxCard->count(), 1);
    QCOMPARE(FormSelectCard->ComboBoxCard->itemText(0),
             QStringLiteral("PCI Bus %1, Slot %2").arg(board_.bus).arg(board_.slot));
    QVERIFY(!(Form1->windowState() & Qt::WindowMinimized));
    QVERIFY(!FormSplash->isVisible());
    QVERIFY(!Form1->Timer3->isActive());
    QVERIFY(Form1->Timer1->isActive());
    QVERIFY(!Form1->UpdateInProgress);
  }

  void presetBoxesShowTheRegistersAsRead() {
    // Distinct values in the three preset registers, one of them negative.
    DeviceLocation where = board_;
    DeviceHandle mine = 0;
    QCOMPARE(ZemtraOpen(&where, &mine, nullptr), ErrorCode{0});
    const struct {
      int32_t offset;
      int32_t value;
      TEdit* TForm1::*box;
    } presets[] = {{ZEMTRA_REG_A1_PRESET, -1234567, &TForm1::EditPresetData1},
                   {ZEMTRA_REG_A2_PRESET, 42, &TForm1::EditPresetData2},
                   {ZEMTRA_REG_A3_PRESET, 2000000000, &TForm1::EditPresetData3}};
    for (const auto& p : presets)
      QCOMPARE(ZemtraWriteRegisterLong(mine, p.offset, static_cast<uint32_t>(p.value)), ErrorCode{0});
    ZemtraClose(&mine);

    QFile trace(QStringLiteral(ZEMTRA_TEST_TRACE_FILE));
    QVERIFY(trace.resize(0));
    Form1->RadioButtonUpdateManual->setChecked(true);
    Form1->StartCardConnection();
    QVERIFY(Form1->CardOpen);

    // Right after the open's identification read come the three preset
    // reads, axis 1, 2, 3.
    QVERIFY(trace.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(trace.readAll()).split('\n');
    const QString idRead = QStringLiteral("R32 reg 0x%1").arg(ZEMTRA_REG_FPGA1_PRODUCT, 3, 16, QChar('0'));
    qsizetype at = -1;
    for (qsizetype i = 0; i < lines.size() && at < 0; ++i)
      if (lines[i].startsWith(idRead, Qt::CaseInsensitive)) at = i;
    QVERIFY(at >= 0 && at + 3 < lines.size());
    for (int i = 0; i < 3; ++i)
      QVERIFY2(lines[at + 1 + i].startsWith(
                   QStringLiteral("R32 reg 0x%1").arg(presets[i].offset, 3, 16, QChar('0')),
                   Qt::CaseInsensitive),
               qPrintable(lines[at + 1 + i]));
    // The full update that follows keeps them (Raw Dec shows the same number).
    for (const auto& p : presets) QCOMPARE((Form1->*p.box)->text(), QString::number(p.value));
    QVERIFY(Form1->LabelPciBus->text().endsWith(QString::number(board_.bus)));
  }

  void selectCardOkOpensTheChosenEntry() {
    Form1->Timer3Timer(Form1->Timer3);
    const DeviceHandle before = Form1->CardHandle;
    dialog_.answer = mrOk;
    Form1->SelectCard1->trigger();
    QCOMPARE(dialog_.shown, 1);
    QCOMPARE(dialog_.preselected, 0);
    QCOMPARE(Form1->CardIndex, 0);
    QVERIFY(Form1->CardOpen);
    // The old handle was closed before the new open.
    uint16_t word = 0;
    QVERIFY(before == Form1->CardHandle ||
            ZemtraReadRegisterWord(before, ZEMTRA_REG_SAMPLE, &word) != 0);
    QVERIFY(Form1->windowTitle().endsWith(", ID N4D27B"));
  }

  void closingTheWindowClosesTheCardAndTheHelp() {
    Form1->Timer3Timer(Form1->Timer3);
    const DeviceHandle open = Form1->CardHandle;
    uint16_t word = 0;
    QCOMPARE(ZemtraReadRegisterWord(open, ZEMTRA_REG_SAMPLE, &word), ErrorCode{0});
    Form1->HelpContents1->trigger();
    QVERIFY(ApplicationHelpViewer() && ApplicationHelpViewer()->isVisible());

    QVERIFY(Form1->close());
    QCOMPARE(Form1->CardHandle, DeviceHandle{0});
    QCOMPARE(ZemtraReadRegisterWord(open, ZEMTRA_REG_SAMPLE, &word), ErrorCode{ZEMTRA_ERR_INVALID_HANDLE});
    QVERIFY(!ApplicationHelpViewer() || !ApplicationHelpViewer()->isVisible());
  }

 private:
  DeviceLocation board_{};
  BoxRecorder boxes_;
  DialogRecorder dialog_;
};

QTEST_MAIN(OneBoardTest)
#include "connection_oneboard_test.moc"
