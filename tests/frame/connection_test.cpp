// The card connection: start-up with any number of boards, open retries, the identity
// warning, a failing search, re-selection from the menu.
#include "monitor_fixture.h"
#include "splash.h"

using namespace monitor_test;

namespace {

// The connection's boxes as the user sees them, with the card state and error line under each.
const AskedBox kOpenFailed{"Unable to Open Zemtra Card.", "ZemtraMonitor: Error Opening Card", 0x135, false,
                           "ERROR: \"Device not found\" reported by ZemtraOpen()"};
const AskedBox kForeign{"Card Opened is NOT anZemtra Card.", "ZemtraMonitor: Open Card Warning", 0x131, true, ""};

struct StartUp {
  const char* boards;
  QList<int> answers;  // to the message boxes, in order
  int dialogAnswer;
  int choose;
  const char* appears;  // boards that come while the first box waits
  int listed;
  QList<AskedBox> boxes;
  int cardIndex;
  int opened;  // simulated board, -1: none
  const char* id;
  int searchFailsAfter = 0;  // steps of the search; 0: it does not fail
};

struct Reselection {
  const char* boards;
  int startChoice;  // -1: Cancel at start-up
  int answer;
  int choose;
  int preselected;
  int cardIndex;
  int opened;
  QList<AskedBox> boxes;
};

QStringList Entries(int count) {
  QStringList entries;
  for (int i = 0; i < count; ++i)
    entries << QStringLiteral("PCI Bus %1, Slot %2").arg(SimulatedBoard(i).bus).arg(SimulatedBoard(i).slot);
  return entries;
}

// The window on simulated board `board` (-1: no card open) with the identification `id`.
void CheckCard(int board, const char* id) {
  QCOMPARE(Form1->CardOpen, board >= 0);
  QCOMPARE(Form1->CardHandle != 0, board >= 0);
  const DeviceLocation where = board >= 0 ? SimulatedBoard(board) : DeviceLocation{-1, -1};
  QCOMPARE(Form1->CardLocation.bus, where.bus);
  QCOMPARE(Form1->CardLocation.slot, where.slot);
  QCOMPARE(Form1->windowTitle(), board < 0 ? QStringLiteral(" Kestova Zemtra Monitor -- CARD NOT OPEN!")
                                           : QStringLiteral(" Kestova Zemtra Monitor: PCI Bus %1, Slot %2, ID N%3")
                                                 .arg(where.bus).arg(where.slot).arg(id));
  QCOMPARE(Form1->LabelPciBus->text(), QStringLiteral("PCI Bus: %1").arg(where.bus));
}

}  // namespace

Q_DECLARE_METATYPE(StartUp)
Q_DECLARE_METATYPE(Reselection)

class ConnectionTest : public MonitorTest {
  Q_OBJECT

 public:
  ConnectionTest() : MonitorTest("", false) {}

 private slots:
  // The start-up tick: search, choice, open with retries and warning, panels filled, automatic update.
  void startUp_data() {
    QTest::addColumn<StartUp>("row");
    const char* one = "boards=1,motion=off";
    QTest::newRow("no board, Retry, Cancel") << StartUp{"", {mrRetry, mrCancel}, 0, -1, "", 0, {kOpenFailed, kOpenFailed}, -1, -1, ""};
    QTest::newRow("board appears at Retry") << StartUp{"", {mrRetry}, 0, -1, one, 0, {kOpenFailed}, -1, 0, "4D27B"};
    QTest::newRow("one board") << StartUp{one, {}, 0, -1, "", 1, {}, -1, 0, "4D27B"};
    QTest::newRow("two boards, Cancel") << StartUp{"boards=2,motion=off", {}, mrCancel, 1, "", 2, {}, -1, 0, "4D27B"};
    QTest::newRow("three boards, OK") << StartUp{"boards=3,motion=off", {}, mrOk, 2, "", 3, {}, 2, 2, "4D27B"};
    QTest::newRow("seventeen boards, OK") << StartUp{"boards=17,motion=off", {}, mrOk, 15, "", 16, {}, 15, 15, "4D27B"};
    // A search that fails halfway lists none of the boards it found.
    QTest::newRow("search fails halfway") << StartUp{"boards=3,motion=off", {}, 0, -1, "", 0, {}, -1, 0, "4D27B", 3};
    QTest::newRow("foreign id, OK") << StartUp{"id=0x1,motion=off", {mrOk}, 0, -1, "", 1, {kForeign}, -1, 0, "00001"};
    QTest::newRow("foreign id, Cancel") << StartUp{"id=0x1,motion=off", {mrCancel}, 0, -1, "", 1, {kForeign}, -1, -1, ""};
  }
  void startUp() {
    QFETCH(StartUp, row);
    w_.emplace(row.boards);
    w_->answers.assign(row.answers.begin(), row.answers.end());
    w_->dialogAnswer = row.dialogAnswer;
    w_->choose = row.choose;
    if (*row.appears) w_->beforeAnswer = [&] { SimulateBoards(row.appears); };
    if (row.searchFailsAfter) FailSearchAfter(row.searchFailsAfter);
    Form1->showMinimized();
    w_->Connect(true);

    QCOMPARE(w_->asked, row.boxes);
    QCOMPARE(w_->dialogShown, row.listed > 1 ? 1 : 0);
    QCOMPARE(w_->entries, row.listed > 1 ? Entries(row.listed) : QStringList());
    QCOMPARE(w_->preselected, row.listed > 1 ? 0 : -2);
    QCOMPARE(FormSelectCard->ComboBoxCard->count(), row.listed);
    QCOMPARE(Form1->CardCount, uint32_t(row.listed));
    QCOMPARE(Form1->CardIndex, row.cardIndex);
    CheckCard(row.opened, row.id);
    QVERIFY(!FormSplash->isVisible() && !Form1->Timer3->isActive() && Form1->Timer1->isActive());
    QVERIFY(!(Form1->windowState() & Qt::WindowMinimized));
    QVERIFY(!Form1->UpdateInProgress);
    // Right after the identification read of the open come the preset reads of axes 1, 2, 3.
    QStringList expected{QString::asprintf("R32 reg 0x%03X", ZEMTRA_REG_FPGA1_PRODUCT)};
    for (const ZemtraAxisRegisterSet& axis : ZemtraAxisRegisters)
      expected << QString::asprintf("R32 reg 0x%03X", axis.presetRegister);
    const QStringList lines = TakeAccesses();
    if (row.opened == 0) QCOMPARE(lines.mid(lines.indexOf(expected[0]), 4), expected);
    if (row.opened >= 0) return;
    // No card: the preset reads failed, and the automatic update says so.
    QVERIFY(Form1->LabelErrorData->text().startsWith("ERROR: \"A passed parameter is NULL\""));
    QVERIFY(Form1->EditPresetData1->text().isEmpty() && Form1->EditPresetData3->text().isEmpty());
    Fire(Form1->Timer1);
    QCOMPARE(Form1->LabelUpdate->text(), QStringLiteral("Card Not Open"));
    QVERIFY(Form1->UpdateInProgress);  // until a full update runs to its end
  }

  // Card, Select Card...: the start-up list, the current card preselected; reopened whatever the answer.
  void selectCard_data() {
    QTest::addColumn<Reselection>("row");
    QTest::newRow("no board, OK") << Reselection{"", -1, mrOk, -1, -1, -1, -1, {kOpenFailed}};
    QTest::newRow("one board, OK") << Reselection{"boards=1,motion=off", -1, mrOk, -1, 0, 0, 0, {}};
    QTest::newRow("three boards, Cancel") << Reselection{"boards=3,motion=off", 2, mrCancel, 0, 2, 2, 2, {}};
    QTest::newRow("three boards, OK") << Reselection{"boards=3,motion=off", -1, mrOk, 1, 0, 1, 1, {}};
    QTest::newRow("foreign id, Cancel") << Reselection{"id=0x1,motion=off", -1, mrCancel, -1, 0, -1, -1, {kForeign}};
  }
  void selectCard() {
    QFETCH(Reselection, row);
    w_.emplace(row.boards);
    w_->dialogAnswer = row.startChoice >= 0 ? mrOk : mrCancel;
    w_->choose = row.startChoice;
    w_->answers = {mrOk};
    w_->Connect();
    const DeviceHandle before = Form1->CardHandle;
    const int listed = FormSelectCard->ComboBoxCard->count();
    w_->asked.clear();
    w_->dialogShown = 0;
    w_->dialogAnswer = row.answer;
    w_->choose = row.choose;
    Form1->SelectCard1->trigger();

    QCOMPARE(w_->dialogShown, 1);
    QCOMPARE(w_->entries, Entries(listed));
    QCOMPARE(w_->preselected, row.preselected);
    QCOMPARE(FormSelectCard->ComboBoxCard->count(), listed);
    QCOMPARE(Form1->CardIndex, row.cardIndex);
    QCOMPARE(w_->asked, row.boxes);
    CheckCard(row.opened, "4D27B");
    uint16_t word = 0;
    QVERIFY(before == Form1->CardHandle || ZemtraGetStatus(before, &word) == ZEMTRA_ERR_INVALID_HANDLE);
  }
};

MONITOR_TEST(frame, ConnectionTest);
#include "connection_test.moc"
