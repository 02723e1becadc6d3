// The main window: its layout; every control with no card open; the status panel and its
// clearing; direction, interrupt and filter controls; readouts and preset boxes.
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "monitor_fixture.h"

using namespace monitor_test;

namespace {

QString ErrorLine(const char* function) {
  return QStringLiteral("ERROR: \"%1\" reported by %2()").arg(ZemtraGetErrStr(Form1->LastError), function);
}

// By signal: axes 1, 2, 3, then the reference.
const uint16_t kGlitch[4] = {ZEMTRA_STATUS_A1_GLITCH, ZEMTRA_STATUS_A2_GLITCH, ZEMTRA_STATUS_A3_GLITCH,
                             ZEMTRA_STATUS_REF_GLITCH};
const uint16_t kNoSig[4] = {ZEMTRA_STATUS_A1_NOSIG, ZEMTRA_STATUS_A2_NOSIG, ZEMTRA_STATUS_A3_NOSIG,
                            ZEMTRA_STATUS_REF_NOSIG};
const uint16_t kDataError[3] = {ZEMTRA_SMP_A1_PRESET, ZEMTRA_SMP_A2_PRESET, ZEMTRA_SMP_A3_PRESET};

QList<TLabel*> SignalIndicators() {
  QList<TLabel*> labels;
  for (int signal = 0; signal < 4; ++signal)
    labels << Named<TLabel>("LabelNoSig#", signal) << Named<TLabel>("LabelGlitch#", signal);
  return labels;
}

struct StatusClick {
  const char* label;
  int axis;
  uint16_t mask;
  uint16_t dataError;  // shown by the window before the click
  bool samples;
};

// A setting the board holds in a word: how a click changes it and how the group is read back.
struct Toggle {
  const char* control;
  const char* indicator;
  uint16_t bit;
  uint16_t others;  // set on the board besides the bit
  ErrorCode (*get)(DeviceHandle, uint16_t*);
  ErrorCode (*set)(DeviceHandle, uint16_t);
  QList<int32_t> readouts;  // registers the group's refresh reads
  const char* on;
  const char* off;
};

}  // namespace

Q_DECLARE_METATYPE(StatusClick)
Q_DECLARE_METATYPE(Toggle)

class WindowTest : public MonitorTest {
  Q_OBJECT

 public:
  WindowTest() : MonitorTest("", false) {}

 private slots:
  void groupItemsAndTabOrder() {
    QStringList items;
    for (const TRadioGroup* group : {Form1->RadioGroupUnitSelect, Form1->RadioGroupAx2Optic, Form1->RadioGroupKV})
      for (const QRadioButton* item : group->findChildren<QRadioButton*>()) items << item->text();
    QCOMPARE(items, QStringList({"Raw Dec", "Raw Hex", "mm, mm/s", "inch, in/s", "2", "4", "8", "0", "1", "2", "3"}));
    // Each preset box leads its group's tab order.
    const QGroupBox* groups[] = {Form1->GroupBox5, Form1->GroupBox13, Form1->GroupBox6};
    for (int axis = 0; axis < 3; ++axis) {
      QWidget* first = Form1->nextInFocusChain();
      while (first != Form1 && !(groups[axis]->isAncestorOf(first) && first->focusPolicy() != Qt::NoFocus))
        first = first->nextInFocusChain();
      QCOMPARE(first, Named("EditPresetData#", axis));
    }
  }

  // With room the window fits its contents, which never scroll however small it is made; on a
  // smaller screen it fits the screen and they scroll, unsqueezed, down to the error line.
  void contentsScrollOnlyOnAScreenSmallerThanTheForm_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("1920x1200") << "desk" << false;
    QTest::newRow("1280x720") << "laptop" << true;
    QTest::newRow("1024x600") << "netbook" << true;
  }
  void contentsScrollOnlyOnAScreenSmallerThanTheForm() {
    QFETCH(QString, screen);
    QFETCH(bool, scrolls);
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto target = std::find_if(screens.begin(), screens.end(), [&](QScreen* s) { return s->name() == screen; });
    QVERIFY(target != screens.end());
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    Form1->setScreen(*target);
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    QCOMPARE(Form1->screen(), *target);
    if (!scrolls) Form1->resize(1, 1);
    const QSize room = (*target)->availableGeometry().size();
    const QRect frame = Form1->frameGeometry();
    QVERIFY2(frame.width() <= room.width() && frame.height() <= room.height(),
             qPrintable(QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height())));
    auto* area = qobject_cast<QScrollArea*>(Form1->centralWidget());
    QVERIFY(area);
    QCoreApplication::processEvents();  // the scroll bars follow the size in a later layout pass
    QCOMPARE(area->verticalScrollBar()->isVisible() || area->horizontalScrollBar()->isVisible(), scrolls);
    const QWidget* contents = area->widget();
    QVERIFY(contents->width() >= contents->minimumSizeHint().width());
    QVERIFY(contents->height() >= contents->minimumSizeHint().height());
    for (QWidget* bottom : {static_cast<QWidget*>(Form1->BitBtnClose), static_cast<QWidget*>(Form1->LabelErrorData)}) {
      area->ensureWidgetVisible(bottom, 0, 0);
      const QRect seen(bottom->mapTo(area->viewport(), QPoint()), bottom->size());
      QVERIFY(seen.top() >= 0 && seen.bottom() < area->viewport()->height());
    }
  }

  void everyActionWithoutCardReportsItsFailureAndPaintsTheIndicators() {
    w_->Connect();
    w_->asked.clear();
    QList<QObject*> controls;
    for (QPushButton* button : Form1->findChildren<QPushButton*>())
      if (button != Form1->BitBtnClose && button != Form1->ButtonUpdate) controls << button;
    for (TLabel* label : Form1->findChildren<TLabel*>()) controls << label;
    controls << Form1->CheckBoxFilterEnb;
    for (TRadioGroup* group : {Form1->RadioGroupKV, Form1->RadioGroupKp})
      for (QRadioButton* item : group->findChildren<QRadioButton*>()) controls << item;
    for (int axis = 0; axis < 3; ++axis) controls << Named("EditPresetData#", axis);
    QCOMPARE(controls.size(), 15 + 32 + 1 + 8 + 3);
    for (int axis = 0; axis < 3; ++axis) Named<TEdit>("EditPresetData#", axis)->setText("1");
    for (QObject* control : controls) {
      Form1->LabelErrorData->clear();
      Form1->LastError = 0;
      Form1->UpdateInProgress = false;
      if (auto* button = qobject_cast<QAbstractButton*>(control)) button->click();
      if (auto* label = qobject_cast<TLabel*>(control)) Click(label);
      if (auto* box = qobject_cast<TEdit*>(control)) emit box->exited(box);
      QVERIFY2(Form1->LastError == ZEMTRA_ERR_NULL_PARAMETER, qPrintable(control->objectName()));
      if (control == Form1->ButtonPresetAll) {  // its update empties the line and says so
        QCOMPARE(Form1->LabelUpdate->text(), QStringLiteral("Card Not Open"));
        continue;
      }
      QVERIFY2(Form1->LabelErrorData->text().startsWith("ERROR: "), qPrintable(control->objectName()));
    }
    QVERIFY(w_->asked.isEmpty());

    // The indicators are painted from the members no call could change.
    Form1->ButtonUpdate1->click();
    Click(Form1->LabelGlitch1);
    Click(Form1->LabelDir2);
    Click(Form1->LabelIntrNoSigRef);
    QStringList shown;
    for (int signal = 0; signal < 4; ++signal)
      for (const char* name : {"LabelNoSig#", "LabelGlitch#", "LabelErr#", "LabelPosValid#", "LabelDir#"})
        if (const TLabel* label = Named<TLabel>(name, signal))  // no Error, Data or direction of the reference
          shown << label->text() + (label->Color() == kColorGood ? "+" : "");
    for (const QLabel* label : std::initializer_list<const QLabel*>{Form1->LabelPosData1, Form1->LabelStatusX,
                                                                    Form1->LabelSampReg, Form1->LabelGlobalIntr,
                                                                    Form1->LabelIntrNoSigRef})
      shown << label->text();
    QCOMPARE(shown, QStringList({"OK+", "OK+", "OK+", "Invalid", "Positive+", "OK+", "OK+", "OK+", "Invalid",
                                 "Positive+", "OK+", "OK+", "OK+", "Invalid", "Positive+", "OK+", "OK+", "Error",
                                 "Status: 0x????", "Sample: 0x0000", "Disabled", "No"}));
    QCOMPARE(Form1->LabelVelData1->Color(), kColorFault);
    QCOMPARE(Form1->LabelIntrGlitch1->Color(), kColorOff);
    QCOMPARE(Form1->LabelErrorData->text(), ErrorLine("ZemtraGetInterruptMask"));
    Select(Form1->RadioGroupKV, 3);
    QVERIFY(Form1->RadioGroupKV->ItemIndex() == 0 && Form1->RadioGroupKp->ItemIndex() == 0);
    QVERIFY(!Form1->CheckBoxFilterEnb->isChecked());
    QCOMPARE(Form1->LabelErrorData->text(), ErrorLine("ZemtraGetFilter"));
    Form1->RefreshCardInfo();
    const QStringList info{Form1->LabelPciBus->text(), Form1->LabelPciSlot->text(), Form1->LabelHdwRev->text(),
                           Form1->LabelApiRev->text()};
    QCOMPARE(info, QStringList({"PCI Bus: -1", "PCI Slot: -1", "Hdw Rev: 0x??", "API Rev: 0x10"}));
    QCOMPARE(Form1->LabelErrorData->text(), ErrorLine("ZemtraGetHdwRev"));
    // Settings still change, and their update only says there is no card.
    Form1->LabelPosData1->setText(QStringLiteral("1234"));
    Select(Form1->RadioGroupUnitSelect, 2);
    Select(Form1->RadioGroupAx2Optic, 1);
    QVERIFY(Form1->ValueFormat == "#,##0.#######0" && Form1->FoldFactor[1] == 4);
    QCOMPARE(Form1->LabelUpdate->text(), QStringLiteral("Card Not Open"));
    QCOMPARE(Form1->LabelPosData1->text(), QStringLiteral("1234"));
  }
};

class StatusTest : public MonitorTest {
  Q_OBJECT

 public:
  StatusTest() : MonitorTest("boards=1,motion=off,nosig=A2,glitch=REF") {}

 private slots:
  void missingAxisLatchedFlagsAndTheirClearing() {
    QCOMPARE(Form1->LabelPosData1->Color(), kColorGood);
    QCOMPARE(Form1->LabelVelData3->Color(), kColorGood);
    for (TLabel* label : {Form1->LabelPosData2, Form1->LabelVelData2, Form1->LabelPosValid2}) {
      QCOMPARE(label->text(), label == Form1->LabelPosValid2 ? "Invalid" : "Error");
      QCOMPARE(label->Color(), kColorFault);
    }
    QCOMPARE(Form1->LabelErrorData->text(),
             QStringLiteral("NOTE: \"%1\" reported by ZemtraGetRawPosVelAll()").arg(ZemtraGetErrStr(25)));
    QCOMPARE(Form1->LabelPosValid1->text(), QStringLiteral("Valid"));
    for (TLabel* label : SignalIndicators()) {
      const bool set = label == Form1->LabelNoSig2 || label == Form1->LabelGlitchRef;
      QCOMPARE(label->text(), set ? "ERR" : "OK");
      QCOMPARE(label->Color(), set ? kColorFault : kColorGood);
    }
    // Bits that name no indicator change none.
    Form1->StatusWord = 0xCCF0;
    Form1->RefreshSignalStatus();
    for (TLabel* label : SignalIndicators()) QCOMPARE(label->text(), QStringLiteral("OK"));
    // A read on the invalid axis reports both reads.
    Form1->ButtonRead2->click();
    QCOMPARE(Form1->LabelPosData2->text(), QStringLiteral("Error"));
    QCOMPARE(Form1->LabelVelData2->text(), QStringLiteral("Error"));
    QVERIFY(Form1->LabelErrorData->text().endsWith(QStringLiteral("reported by ZemtraReadRawVel()")));
    // A cleared glitch stays cleared, a missing signal is back at once. A preset on the axis
    // without signal leaves a data error, which Clear All Status leaves alone.
    Click(Form1->LabelGlitchRef);
    QCOMPARE(Form1->LabelGlitchRef->text(), QStringLiteral("OK"));
    Click(Form1->LabelNoSig2);
    QCOMPARE(Form1->LabelNoSig2->text(), QStringLiteral("ERR"));
    Form1->EditPresetData2->setText(QStringLiteral("5"));
    Form1->ButtonPreset2->click();
    QVERIFY(Form1->LabelErrorData->text().startsWith(QStringLiteral("NOTE: ")));
    QCOMPARE(Form1->LabelErr2->text(), QStringLiteral("Error"));
    QCOMPARE(Form1->LabelErr2->Color(), kColorFault);
    TakeAccesses();
    Form1->ButtonClearStatusAll->click();
    // The first clear finds flags the repeat does not: compare the accesses only.
    const auto shape = [](QStringList lines) {
      for (QString& line : lines) line = line.section(' ', 0, 2);
      return lines;
    };
    const QStringList made = shape(TakeAccesses());
    QCOMPARE(made, shape(AccessesOf([] { ClearStatusCalls(0, true); })));
    QCOMPARE(Form1->LabelErr2->text(), QStringLiteral("Error"));
  }

  // A click clears what its indicator shows; Error and Data clear the axis's flags, the
  // reference's and the data error shown (a sample register write and a second read
  // back); Data then samples its axis.
  void indicatorClick_data() {
    RowsShareWindows();
    QTest::addColumn<StatusClick>("row");
    for (int signal = 0; signal < 4; ++signal) {
      QTest::addRow("glitch %d", signal + 1) << StatusClick{"LabelGlitch#", signal, kGlitch[signal], 0, false};
      QTest::addRow("no signal %d", signal + 1) << StatusClick{"LabelNoSig#", signal, kNoSig[signal], 0, false};
    }
    for (int axis = 0; axis < 3; ++axis) {
      const auto mask = uint16_t(kGlitch[axis] | kNoSig[axis] | kGlitch[3] | kNoSig[3]);
      for (const uint16_t error : {uint16_t{0}, kDataError[axis]}) {
        const char* data = error ? ", data error" : "";
        QTest::addRow("error %d%s", axis + 1, data) << StatusClick{"LabelErr#", axis, mask, error, false};
        QTest::addRow("data %d%s", axis + 1, data) << StatusClick{"LabelPosValid#", axis, mask, error, true};
      }
    }
  }
  void indicatorClick() {
    QFETCH(StatusClick, row);
    Form1->SampleWord = row.dataError;
    Click(Named<TLabel>(row.label, row.axis));
    COMPARE_ACCESSES([&] {
      ClearStatusCalls(row.mask);
      if (row.dataError) ZemtraWriteRegisterWord(Form1->CardHandle, ZEMTRA_REG_SAMPLE, row.dataError);
      if (row.dataError) ClearStatusCalls(0);
      uint16_t word = 0;
      if (row.samples) ZemtraSamplePosVel(Form1->CardHandle, static_cast<int16_t>(row.axis));
      if (row.samples) ZemtraReadRegisterWord(Form1->CardHandle, ZEMTRA_REG_SAMPLE, &word);
    });
  }
};

class SettingsTest : public MonitorTest {
  Q_OBJECT

 public:
  SettingsTest() : MonitorTest("boards=1,motion=off") {}

 private slots:
  // A click inverts its bit on the board, keeps the others as they are there and shows the
  // group again; a second restores it. The mask has axis 1 in bits 8-9, axis 3 in 4-5.
  void toggles_data() {
    RowsShareWindows();
    QTest::addColumn<Toggle>("row");
    const QList<int32_t> config{ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_REG_A3_IRQ_CONTROL};
    const uint16_t directions[] = {ZEMTRA_CONFIG_A1_DIR, ZEMTRA_CONFIG_A2_DIR, ZEMTRA_CONFIG_A3_DIR};
    const uint16_t allConfig = ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_A2_DIR | ZEMTRA_CONFIG_A3_DIR | ZEMTRA_CONFIG_IRQ_ENABLE;
    for (int axis = 0; axis < 3; ++axis) {
      const char* dir[] = {"LabelDir1", "LabelDir2", "LabelDir3"};
      QTest::addRow("direction %d", axis + 1) << Toggle{dir[axis], dir[axis], directions[axis],
                                                        uint16_t(allConfig & ~directions[axis]), ZemtraGetConfig,
                                                        ZemtraSetConfig, config, "Negative", "Positive"};
    }
    for (const char* control : {"ButtonGlobalIntr", "LabelGlobalIntr"})
      QTest::newRow(control) << Toggle{control, "LabelGlobalIntr", ZEMTRA_CONFIG_IRQ_ENABLE,
                                       uint16_t(allConfig & ~ZEMTRA_CONFIG_IRQ_ENABLE), ZemtraGetConfig,
                                       ZemtraSetConfig, config, "Enabled", "Disabled"};
    const uint16_t glitch[] = {ZEMTRA_IM_A1_GLITCH, ZEMTRA_IM_A2_GLITCH, ZEMTRA_IM_A3_GLITCH, ZEMTRA_IM_REF_GLITCH};
    const uint16_t noSig[] = {ZEMTRA_IM_A1_NOSIG, ZEMTRA_IM_A2_NOSIG, ZEMTRA_IM_A3_NOSIG, ZEMTRA_IM_REF_NOSIG};
    const char* names[][2] = {{"LabelIntrGlitch1", "LabelIntrNoSig1"}, {"LabelIntrGlitch2", "LabelIntrNoSig2"},
                              {"LabelIntrGlitch3", "LabelIntrNoSig3"}, {"LabelIntrGlitchRef", "LabelIntrNoSigRef"}};
    for (int signal = 0; signal < 4; ++signal) {
      for (int kind = 0; kind < 2; ++kind) {
        const uint16_t bit = kind ? noSig[signal] : glitch[signal];
        QTest::newRow(names[signal][kind]) << Toggle{names[signal][kind], names[signal][kind], bit,
                                                     uint16_t(0x3333 & ~bit), ZemtraGetInterruptMask,
                                                     ZemtraSetInterruptMask, {ZEMTRA_REG_INTERRUPT_MASK}, "Yes", "No"};
      }
    }
  }
  void toggles() {
    QFETCH(Toggle, row);
    const DeviceHandle card = Form1->CardHandle;
    const auto board = [&] {
      uint16_t word = 0;
      row.get(card, &word);
      return word;
    };
    const auto good = [](const QString& text) { return text == "Positive" || text == "Enabled" || text == "Yes"; };
    QWidget* control = Form1->findChild<QWidget*>(row.control);
    const TLabel* shown = Form1->findChild<TLabel*>(row.indicator);
    row.set(card, row.others);
    const QStringList expected = AccessesOf([&] {
      uint16_t word = 0;
      row.get(card, &word);
      row.set(card, uint16_t(word ^ row.bit));
      for (int32_t offset : row.readouts) ZemtraReadRegisterWord(card, offset, &word);
      row.get(card, &word);
    });
    row.set(card, row.others);
    TakeAccesses();
    for (const char* text : {row.on, row.off}) {
      if (auto* label = qobject_cast<TLabel*>(control))
        Click(label);
      else
        qobject_cast<QAbstractButton*>(control)->click();
      if (text == row.on) QCOMPARE(TakeAccesses(), expected);
      QCOMPARE(board(), text == row.on ? uint16_t(row.others | row.bit) : row.others);
      QCOMPARE(shown->text(), QString::fromLatin1(text));
      QCOMPARE(shown->Color(), good(text) ? kColorGood : kColorOff);
    }
  }

  // A filter control writes its own field only, the rest as read; the group shows the word again.
  void filterChanges_data() {
    RowsShareWindows();
    QTest::addColumn<int>("control");  // 0: Kv, 1: Kp, 2: Enabled
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("written");
    QTest::newRow("Kv 2") << 0 << 2 << 0x001D << 0x0019;
    QTest::newRow("Kp 0") << 1 << 0 << 0x001F << 0x001C;
    QTest::newRow("Enabled off") << 2 << 0 << 0x0017 << 0x0007;
    QTest::newRow("Enabled on") << 2 << 0 << 0x000F << 0x001F;
  }
  void filterChanges() {
    QFETCH(int, control);
    QFETCH(int, item);
    QFETCH(int, before);
    QFETCH(int, written);
    ZemtraSetFilter(Form1->CardHandle, static_cast<uint16_t>(before));
    Form1->RefreshFilter();
    TakeAccesses();
    if (control < 2) Select(control ? Form1->RadioGroupKp : Form1->RadioGroupKV, item);
    if (control == 2) Form1->CheckBoxFilterEnb->click();
    QCOMPARE(Writes(TakeAccesses()), QStringList{QString::asprintf("W16 reg 0x%03X 0x%04X", ZEMTRA_REG_FILTER, written)});
    QCOMPARE(Form1->LabelFilter->text(), QString::asprintf("Filter: 0x%08X", written));
    QCOMPARE(Form1->CheckBoxFilterEnb->isChecked(), (written & 0x10) != 0);
    QCOMPARE(Form1->RadioGroupKV->ItemIndex(), (written >> 2) & 3);
    QCOMPARE(Form1->RadioGroupKp->ItemIndex(), written & 3);
  }

  // The readouts in their formats; blanked, cut back to their names and the values greyed,
  // while the Info group, the boxes, the global interrupt, the filter and the words stay.
  void readoutsAndBlanking() {
    ZemtraWriteRegisterLong(Form1->CardHandle, ZEMTRA_REG_A1_PRESET, 0xFFFFFFFF);
    ZemtraWriteRegisterLong(Form1->CardHandle, ZEMTRA_REG_A3_PRESET, 0x12AB);
    ZemtraSetConfig(Form1->CardHandle, ZEMTRA_CONFIG_A1_DIR | ZEMTRA_CONFIG_A3_DIR);
    ZemtraSetInterruptMask(Form1->CardHandle, 0x2301);
    ZemtraSetFilter(Form1->CardHandle, 0);
    Form1->ButtonUpdate->click();
    const QList<QLabel*> readouts{Form1->LabelID1,     Form1->LabelID2,     Form1->LabelRev1,    Form1->LabelRev2,
                                  Form1->LabelPreset1, Form1->LabelPreset2, Form1->LabelPreset3, Form1->LabelStatusX,
                                  Form1->LabelStatusY, Form1->LabelConfigX, Form1->LabelConfigY, Form1->LabelIntrMask,
                                  Form1->LabelSampReg, Form1->LabelFilter,  Form1->LabelHdwRev,  Form1->LabelApiRev};
    const auto texts = [&] {
      QStringList shown;
      for (const QLabel* label : readouts) shown << label->text();
      return shown;
    };
    QCOMPARE(texts(), QStringList({"ID: 0x0004D27B", "ID: 0x0004D27C", "Rev: 0x00020104", "Rev: 0x00020103",
                                   "Preset1: 0xFFFFFFFF", "Preset2: 0x00000000", "Preset3: 0x000012AB",
                                   "Status: 0x0000", "Status: 0x0000", "Config: 0x0004", "Config: 0x0002",
                                   "Intr. Mask: 0x2301", "Sample: 0x0222", "Filter: 0x00000000", "Hdw Rev: 0x03",
                                   "API Rev: 0x10"}));
    QCOMPARE(Form1->EditPresetData1->text(), QStringLiteral("-1"));
    const QString bus = QStringLiteral("PCI Bus: %1").arg(SimulatedBoard(0).bus);
    QCOMPARE(Form1->LabelPciBus->text(), bus);
    QCOMPARE(Form1->LabelPciSlot->text(), QStringLiteral("PCI Slot: %1").arg(SimulatedBoard(0).slot));
    const uint16_t status = Form1->StatusWord, sample = Form1->SampleWord;
    TakeAccesses();
    Form1->BlankPanels();
    QVERIFY(TakeAccesses().isEmpty());
    QCOMPARE(texts(), QStringList({"ID:", "ID:", "Rev:", "Rev:", "Preset1:", "Preset2:", "Preset3:", "Status:",
                                   "Status:", "Config:", "Config:", "Intr. Mask:", "Sample:", "Filter:",
                                   "Hdw Rev: 0x03", "API Rev: 0x10"}));
    for (TLabel* label : Form1->findChildren<TLabel*>()) {
      if (label == Form1->LabelGlobalIntr) continue;
      QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
      QCOMPARE(label->Color(), kColorNone);
    }
    QCOMPARE(Form1->LabelGlobalIntr->text(), QStringLiteral("Disabled"));
    QCOMPARE(Form1->LabelPciBus->text(), bus);
    QCOMPARE(Form1->EditPresetData1->text(), QStringLiteral("-1"));
    QCOMPARE(Form1->RadioGroupKV->ItemIndex(), 0);
    QVERIFY(Form1->StatusWord == status && Form1->SampleWord == sample);
  }

  // While the user types in box 2 (focused, modified) the refresh leaves it
  // alone and rewrites the others; a focused box left unchanged is rewritten.
  void presetBoxesFollowTheirRegistersUnlessBeingEdited() {
    for (int axis = 0; axis < 3; ++axis)
      ZemtraWriteRegisterLong(Form1->CardHandle, ZemtraAxisRegisters[axis].presetRegister, uint32_t(11 * (axis + 1)));
    Form1->EditPresetData2->setFocus();
    for (TEdit* box : {Form1->EditPresetData2, Form1->EditPresetData3}) Type(box, QStringLiteral("7"));
    Form1->RefreshPresetRegisters();
    const QStringList texts{Form1->EditPresetData1->text(), Form1->EditPresetData2->text(), Form1->EditPresetData3->text()};
    QCOMPARE(texts, QStringList({"11", "7", "33"}));
    QVERIFY(Form1->EditPresetData2->isModified());
    QCOMPARE(Form1->PresetValue, (std::array<int32_t, 3>{11, 22, 33}));
    Form1->EditPresetData2->setModified(false);
    Form1->RefreshPresetRegisters();
    QCOMPARE(Form1->EditPresetData2->text(), QStringLiteral("22"));
  }
};

MONITOR_TEST(panels, WindowTest);
MONITOR_TEST(panels, StatusTest);
MONITOR_TEST(panels, SettingsTest);
#include "window_test.moc"
