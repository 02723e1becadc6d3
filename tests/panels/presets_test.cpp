// Preset boxes and actions: the check of the typed text with its question, the register
// writes, the preset commands and the refreshes that follow, proved against the accesses.
#include "monitor_fixture.h"

using namespace monitor_test;

namespace {

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

void Type(TEdit* box, const QString& text) {
  box->setText(text);
  box->setModified(true);
}

}  // namespace

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

  // The forms the boxes show: "Raw Hex" passes the check unchanged, a converted value does not.
  void displayedFormsAndTheCheck() {
    ZemtraWriteRegisterLong(Form1->CardHandle, ZEMTRA_REG_A2_PRESET, static_cast<uint32_t>(-2));
    ZemtraWriteRegisterLong(Form1->CardHandle, ZEMTRA_REG_A3_PRESET, 1000000);
    Select(Form1->RadioGroupUnitSelect, 1);
    QCOMPARE(Form1->EditPresetData2->text(), QStringLiteral("0xFFFFFFFE"));
    TakeAccesses();
    emit Form1->EditPresetData2->exited(Form1->EditPresetData2);
    QVERIFY(w_->asked.isEmpty());
    COMPARE_ACCESSES([] { WriteAndRefresh(1, -2); });

    Select(Form1->RadioGroupUnitSelect, 2);
    QCOMPARE(Form1->EditPresetData3->text(), QStringLiteral("0.61798793"));
    TakeAccesses();
    w_->answers = {mrOk};
    Form1->ButtonPreset3->click();
    QCOMPARE(w_->asked.size(), 1);
    QCOMPARE(w_->asked[0].text, Question(2));
    QCOMPARE(Form1->EditPresetData3->text(), QStringLiteral("1000000"));
    QVERIFY(TakeAccesses().isEmpty());
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
    // The update shows every box that is not being edited from its register.
    QCOMPARE(Form1->EditPresetData2->text(), QStringLiteral("2"));
    QCOMPARE(Form1->EditPresetData3->text(), QStringLiteral("333"));
  }
};

MONITOR_TEST(panels, PresetsTest);
#include "presets_test.moc"
