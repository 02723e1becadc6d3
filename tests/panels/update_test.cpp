// The update cycle and modes, the per-axis actions, the display units; the preset boxes and
// actions. Call orders are proved against the accesses of the same calls made by the test.
#include <QThread>

#include "monitor_fixture.h"

using namespace monitor_test;

namespace {

const int32_t kPositions[3] = {1000000, -123456789, INT32_MIN};

enum Action { kSampleAndRead, kRead, kPositionClick, kVelocityClick, kSample, kDataClick, kForeignSample };

struct Entry {
  int axis;
  const char* text;
  int answer;  // 0: no question
  int value;
  const char* shown;
};

QString Question(int axis) {
  return QStringLiteral("Invalid number in Axis %1 Preset entry box.  Restore?").arg(axis + 1);
}

// Leaving a box with a valid number: its register written, all three read back.
void WriteAndRefresh(int axis, int32_t value) {
  ZemtraWriteRegisterLong(Form1->CardHandle, ZemtraAxisRegisters[axis].presetRegister, static_cast<uint32_t>(value));
  uint32_t read = 0;
  for (const ZemtraAxisRegisterSet& each : ZemtraAxisRegisters)
    ZemtraReadRegisterLong(Form1->CardHandle, each.presetRegister, &read);
}

}  // namespace

class UpdateTest : public MonitorTest {
  Q_OBJECT

 public:
  UpdateTest() : MonitorTest("boards=1,motion=off") {}

 protected:
  void Prepare() override {
    uint16_t status = 0;
    for (int16_t axis = 0; axis < 3; ++axis) ZemtraPresetRaw(Form1->CardHandle, axis, kPositions[axis], &status);
    Form1->ButtonUpdate->click();
  }

 private slots:
  // Whatever starts it, the full update makes the same calls, writes only the sample command,
  // shows every axis good; "Updating" stays its 500 ms from the first of several updates.
  void fullUpdate_data() {
    QTest::addColumn<int>("trigger");
    QTest::addColumn<QString>("position1");
    QTest::newRow("Update button") << 0 << "1000000";
    QTest::newRow("Timer1") << 1 << "1000000";
    QTest::newRow("display units") << 2 << "0x000F4240";
    QTest::newRow("fold factor") << 3 << "1000000";
  }
  void fullUpdate() {
    QFETCH(int, trigger);
    QFETCH(QString, position1);
    QThread::msleep(200);  // no events meanwhile: the Timer2 of Prepare's update cannot end
    if (trigger == 0) Form1->ButtonUpdate->click();
    if (trigger == 1) Fire(Form1->Timer1);
    if (trigger == 2) Select(Form1->RadioGroupUnitSelect, 1);
    if (trigger == 3) Select(Form1->RadioGroupAx3Optic, 2);
    const QStringList made = TakeAccesses();
    QCOMPARE(made, AccessesOf(FullUpdateCalls));
    QCOMPARE(Writes(made).size(), 1);
    QVERIFY(!Form1->UpdateInProgress && Form1->Timer2->isActive() && Form1->LabelUpdate->isVisibleTo(Form1));
    QCOMPARE(Form1->LabelUpdate->text(), QStringLiteral("Updating"));
    // A running Timer2 keeps its period (a coarse timer's end may move by 5%).
    QVERIFY2(Form1->Timer2->remainingTime() <= 400, qPrintable(QString::number(Form1->Timer2->remainingTime())));
    QVERIFY(Form1->LabelErrorData->text().isEmpty());
    QCOMPARE(Form1->LabelPosData1->text(), position1);
    for (int axis = 0; axis < 3; ++axis) {
      QCOMPARE(Named<TLabel>("LabelPosData#", axis)->Color(), kColorGood);
      QCOMPARE(Named<TLabel>("LabelVelData#", axis)->Color(), kColorGood);
    }
    Fire(Form1->Timer2);  // "Updating" goes with Timer2's one tick
    QVERIFY(!Form1->LabelUpdate->isVisibleTo(Form1) && !Form1->Timer2->isActive());
  }

  // Switching modes starts or stops Timer1 and enables Update, never updates.
  void updateModes() {
    Form1->RadioButtonUpdateAuto->click();
    QVERIFY(Form1->Timer1->isActive() && !Form1->ButtonUpdate->isEnabled());
    Form1->RadioButtonUpdateManual->click();
    QVERIFY(!Form1->Timer1->isActive() && Form1->ButtonUpdate->isEnabled());
    QVERIFY(TakeAccesses().isEmpty());
  }

  void axisActions_data() {
    RowsShareWindows();
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("axis");
    const char* names[] = {"Sample and Read", "Read", "position click", "velocity click", "Sample", "Data click"};
    for (int action = kSampleAndRead; action <= kDataClick; ++action)
      for (int axis = 0; axis < 3; ++axis) QTest::addRow("%s %d", names[action], axis + 1) << action << axis;
    QTest::newRow("Sample from another sender") << int(kForeignSample) << 0;
  }
  void axisActions() {
    QFETCH(int, action);
    QFETCH(int, axis);
    for (int any = 0; any < 3; ++any) {
      Named<TLabel>("LabelPosData#", any)->setText("untouched");
      Named<TLabel>("LabelVelData#", any)->setText("untouched");
    }
    if (action == kSampleAndRead) Named<QPushButton>("ButtonUpdate#", axis)->click();
    if (action == kRead) Named<QPushButton>("ButtonRead#", axis)->click();
    if (action == kPositionClick) Click(Named<TLabel>("LabelPosData#", axis));
    if (action == kVelocityClick) Click(Named<TLabel>("LabelVelData#", axis));
    if (action == kSample) Named<QPushButton>("ButtonSample#", axis)->click();
    if (action == kDataClick) Form1->ButtonSampleClick(Named("LabelPosValid#", axis));
    if (action == kForeignSample) Form1->ButtonSampleClick(Form1->ButtonRead1);
    const auto library = static_cast<int16_t>(axis);
    const bool samples = action == kPositionClick || action == kVelocityClick || action == kSample || action == kDataClick;
    const bool position = action == kSampleAndRead || action == kRead || action == kPositionClick;
    const bool velocity = action == kSampleAndRead || action == kRead || action == kVelocityClick;
    COMPARE_ACCESSES([&] {
      const DeviceHandle card = Form1->CardHandle;
      int32_t value = 0, other = 0;
      uint16_t word = 0;
      if (action == kSampleAndRead) ZemtraGetRawPosVel(card, library, &value, &other);
      if (samples) ZemtraSamplePosVel(card, library);
      if (action == kRead || action == kPositionClick) ZemtraReadRawPos(card, library, &value);
      if (action == kRead || action == kVelocityClick) ZemtraReadRawVel(card, library, &value);
      if (action != kRead) ZemtraReadRegisterWord(card, ZEMTRA_REG_SAMPLE, &word);
    });
    for (int shown = 0; shown < 3; ++shown) {
      const TLabel* pos = Named<TLabel>("LabelPosData#", shown);
      const TLabel* vel = Named<TLabel>("LabelVelData#", shown);
      QCOMPARE(pos->text(), position && shown == axis ? QString::number(kPositions[axis]) : "untouched");
      QCOMPARE(vel->text(), velocity && shown == axis ? "0" : "untouched");
      if (position && shown == axis) QCOMPARE(pos->Color(), kColorGood);
      if (velocity && shown == axis) QCOMPARE(vel->Color(), kColorGood);
    }
  }

  // Each mode, axis 3 on fold factor 8: positions 1-3, velocity 1, preset box 2 and 1000 on
  // axis 1 in its form; raw values know no fold factor.
  void displayModes_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Raw Dec") << 0 << QStringList{"1000000", "-123456789", "-2147483648", "0", "-123456789", "1000"};
    QTest::newRow("Raw Hex") << 1
                             << QStringList{"0x000F4240", "0xF8A432EB", "0x80000000", "0x00000000", "0xF8A432EB", "0x000003E8"};
    QTest::newRow("mm, mm/s") << 2
                             << QStringList{"0.61798793", "-76.29480537", "-331.77974312", "0.0000", "-76.29480537", "3.0175"};
    QTest::newRow("inch, in/s") << 3
                             << QStringList{"0.024330233", "-3.003732495", "-13.062194611", "0.0000", "-3.003732495", "0.1188"};
  }
  void displayModes() {
    QFETCH(int, item);
    QFETCH(QStringList, texts);
    Select(Form1->RadioGroupAx3Optic, 2);
    QCOMPARE(Form1->FoldFactor, (std::array<uint16_t, 3>{2, 2, 8}));
    TakeAccesses();
    Form1->RadioGroupUnitSelect->SetItemIndex(item);
    Form1->RadioGroupUnitSelectClick(Form1->RadioGroupUnitSelect);
    COMPARE_ACCESSES(FullUpdateCalls);
    QCOMPARE(Form1->ShowHex, item == 1);  // a raw count in a converted mode stays decimal
    Form1->ShowVelocityValue(Form1->LabelVelData2, 1000, 2);
    const QStringList shown{Form1->LabelPosData1->text(), Form1->LabelPosData2->text(), Form1->LabelPosData3->text(),
                            Form1->LabelVelData1->text(), Form1->EditPresetData2->text(), Form1->LabelVelData2->text()};
    QCOMPARE(shown, texts);
  }

  // Back in a raw mode the pattern stays.
  void patternStaysInRawModes() {
    Select(Form1->RadioGroupUnitSelect, 2);
    Select(Form1->RadioGroupUnitSelect, 0);
    QCOMPARE(Form1->ValueFormat, QStringLiteral("#,##0.#######0"));
  }
};

Q_DECLARE_METATYPE(Entry)

class PresetsTest : public MonitorTest {
  Q_OBJECT

 public:
  PresetsTest() : MonitorTest("boards=1,motion=off") {}

 private slots:
  // Typing and Tab writes the register and shows it; Enter writes at once, the box keeps the
  // focus, checked and unmodified but not rewritten; leaving it afterwards writes again.
  void typingTabAndEnter() {
    Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    Form1->EditPresetData1->setFocus();
    Form1->EditPresetData1->clear();
    QTest::keyClicks(Form1->EditPresetData1, QStringLiteral("1000"));
    TakeAccesses();
    QTest::keyClick(Form1->EditPresetData1, Qt::Key_Tab);
    COMPARE_ACCESSES([] { WriteAndRefresh(0, 1000); });
    QCOMPARE(Form1->LabelPreset1->text(), QStringLiteral("Preset1: 0x000003E8"));
    QCOMPARE(Form1->EditPresetData1->text(), QStringLiteral("1000"));
    QVERIFY(!Form1->EditPresetData1->isModified());

    Form1->EditPresetData3->setFocus();
    Form1->EditPresetData3->clear();
    QTest::keyClicks(Form1->EditPresetData3, QStringLiteral("-7"));
    TakeAccesses();
    QTest::keyClick(Form1->EditPresetData3, Qt::Key_Return);
    QVERIFY(Form1->EditPresetData3->hasFocus() && !Form1->EditPresetData3->isModified());
    COMPARE_ACCESSES([] { WriteAndRefresh(2, -7); });
    Form1->EditPresetData1->setFocus();
    COMPARE_ACCESSES([] { WriteAndRefresh(2, -7); });
    QCOMPARE(Form1->LabelPreset3->text(), QStringLiteral("Preset3: 0xFFFFFFF9"));
    QVERIFY(w_->asked.isEmpty());
  }

  // Leaving a box: a valid text is taken and written; anything else asks,
  // OK restores the old value in decimal, Cancel keeps the text as typed.
  void leavingABox_data() {
    RowsShareWindows();
    QTest::addColumn<Entry>("row");
    QTest::newRow("leading blanks") << Entry{1, "  \t42", 0, 42, "42"};
    QTest::newRow("dollar hex") << Entry{2, "$14D", 0, 333, "333"};
    QTest::newRow("eight hex digits") << Entry{0, "0xFFFFFFFE", 0, -2, "-2"};
    QTest::newRow("OK restores") << Entry{0, "12a", mrOk, 9, "9"};
    QTest::newRow("Cancel keeps") << Entry{1, "12a", mrCancel, 9, "12a"};
    for (const char* text : {"", "1.5", "1,000", "2147483648", "0x123456789", "12 ", "- 1"})
      QTest::addRow("\"%s\"", text) << Entry{2, text, mrCancel, 9, text};
  }
  void leavingABox() {
    QFETCH(Entry, row);
    const auto [axis, text, answer, value, shown] = row;
    Form1->PresetValue[axis] = 9;
    TEdit* box = Named<TEdit>("EditPresetData#", axis);
    Type(box, text);
    if (answer) w_->answers = {answer};
    emit box->exited(box);
    QCOMPARE(w_->asked.size(), answer ? 1 : 0);
    if (answer) {
      QCOMPARE(w_->asked[0].text, Question(axis));
      QCOMPARE(w_->asked[0].caption, QStringLiteral("Invalid Data"));
      QCOMPARE(w_->asked[0].style, 0x31u);  // OK and Cancel, exclamation icon, OK default
    }
    QCOMPARE(Form1->PresetValue[axis], value);
    QCOMPARE(box->text(), QString::fromLatin1(shown));
    QCOMPARE(box->isModified(), answer == mrCancel);
    COMPARE_ACCESSES([&] {
      if (!answer) WriteAndRefresh(axis, value);
    });
  }

  // Position Preset: the preset command, the status read back without a
  // clear, then the position sampled and shown; nothing for a bad text.
  void singleAxisPreset_data() {
    RowsShareWindows();
    QTest::addColumn<int>("axis");
    QTest::addColumn<QString>("text");
    for (int axis = 0; axis < 3; ++axis) QTest::addRow("axis %d", axis + 1) << axis << "0x10";
    QTest::newRow("bad text") << 0 << "- 1";
  }
  void singleAxisPreset() {
    QFETCH(int, axis);
    QFETCH(QString, text);
    const bool valid = text == QStringLiteral("0x10");
    Type(Named<TEdit>("EditPresetData#", axis), text);
    Named<QPushButton>("ButtonPreset#", axis)->click();
    QCOMPARE(w_->asked.size(), valid ? 0 : 1);
    COMPARE_ACCESSES([&] {
      if (!valid) return;
      const DeviceHandle card = Form1->CardHandle;
      const auto library = static_cast<int16_t>(axis);
      uint16_t word = 0;
      int32_t position = 0;
      ZemtraPresetRaw(card, library, 16, &word);
      ClearStatusCalls(0);
      ZemtraSamplePosVel(card, library);
      ZemtraReadRawPos(card, library, &position);
      ZemtraReadRegisterWord(card, ZEMTRA_REG_SAMPLE, &word);
    });
    if (!valid) return;
    QCOMPARE(Named<TLabel>("LabelPosData#", axis)->text(), QStringLiteral("16"));
    QCOMPARE(Named<TLabel>("LabelPosData#", axis)->Color(), kColorGood);
    QCOMPARE(Named<TLabel>("LabelNoSig#", axis)->text(), QStringLiteral("OK"));
    QVERIFY(Form1->LabelErrorData->text().isEmpty());
  }

  void presetAllGoesOnWithTheOldValueOfAFailedBox() {
    Form1->PresetValue = {1, 2, 3};
    Type(Form1->EditPresetData1, QStringLiteral("111"));
    Type(Form1->EditPresetData2, QStringLiteral("x"));
    Type(Form1->EditPresetData3, QStringLiteral("$14D"));
    Form1->ButtonPresetAll->click();
    QCOMPARE(w_->asked.size(), 1);
    QCOMPARE(w_->asked[0].text, Question(1));
    COMPARE_ACCESSES([] {
      uint16_t word = 0;
      ZemtraPresetRawAll(Form1->CardHandle, 111, 2, 0x14D, &word);
      FullUpdateCalls();
    });
    const QStringList positions{Form1->LabelPosData1->text(), Form1->LabelPosData2->text(),
                                Form1->LabelPosData3->text()};
    QCOMPARE(positions, QStringList({"111", "2", "333"}));
  }
};

MONITOR_TEST(panels, UpdateTest);
MONITOR_TEST(panels, PresetsTest);
#include "update_test.moc"
