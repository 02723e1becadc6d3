// The main window's controls as the layout makes them (captions, hints, help
// contexts, items, initial states, tab order), and every control with no
// card open: nothing crashes, each failed call is reported, every handler
// runs to its end, and the indicators are painted from the members that no
// call could change.
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "monitor_fixture.h"

using namespace monitor_test;

namespace {

QString ErrorLine(const char* function) {
  return QStringLiteral("ERROR: \"%1\" reported by %2()").arg(ZemtraGetErrStr(Form1->LastError), function);
}

QStringList Items(const TRadioGroup* group) {
  QStringList items;
  for (const QRadioButton* item : group->findChildren<QRadioButton*>()) items << item->text();
  return items;
}

}  // namespace

class WindowTest : public MonitorTest {
  Q_OBJECT

 public:
  WindowTest() : MonitorTest("", false) {}

 private slots:
  // "#" in a name stands for each axis 1, 2, 3; "*" also for the reference.
  void controlsCarryTheirCaptionsHintsAndHelp() {
    const char* kValue = "In raw interferometer units (click to update)";
    const std::tuple<const char*, const char*, const char*, int> expected[] = {  // name, caption, hint, help
        {"GroupBox5", "Axis 1", "", 0}, {"GroupBox13", "Axis 2", "", 0}, {"GroupBox6", "Axis 3", "", 0},
        {"GroupBox4", "Reference", "", 0}, {"GroupBox7", "Update", "", 6}, {"GroupBox10", "Filter", "", 8},
        {"GroupBox11", "Global Interrupt", "", 7}, {"GroupBox12", "Info", "", 0},
        {"GroupBox1", "FPGA 1 Registers", "", 0}, {"GroupBox2", "FPGA 2 Registers", "", 0},
        {"RadioGroupUnitSelect", "Display Units", "", 13}, {"RadioGroupAx#Optic", "Optic Type Fold Factor", "", 15},
        {"ButtonPresetAll", "&Preset All Axes", "Position Preset for all axes", 6},
        {"ButtonClearStatusAll", "Clear All &Status", "Attempts to clear errors on all axes", 6},
        {"BitBtnClose", nullptr, "Exits application", 6},
        {"LabelPos#Name", "Position:", "", 0}, {"LabelVel#Name", "Velocity:", "", 0},
        {"LabelPosData#", "", kValue, 0}, {"LabelVelData#", "", kValue, 0},
        {"ButtonSample#", "Sample", "Samples position & velocity (does not read value)", 3},
        {"ButtonRead#", "Read", "Read last sampled value of position & velocity", 4},
        {"ButtonUpdate#", "Sample and Read", "Samples and then reads position and velocity", 5},
        {"LabelUpdate", "Updating", "", 0}, {"RadioButtonUpdateAuto", "&Automatic", "", 0},
        {"RadioButtonUpdateManual", "&Manual", "", 0}, {"ButtonUpdate", "&Update", "Updates all values", 6},
        {"LabelPreset1Name", "Preset:", "", 0}, {"Label18", "Preset:", "", 0}, {"LabelPreset3Name", "Preset:", "", 0},
        {"EditPresetData#", "", "Click \"Position Preset\" to load register", 1},
        {"ButtonPreset#", "Position Preset", "Transfers Preset value to Position register", 2},
        {"LabelGlitch*", "", "Click to clear", 0}, {"LabelNoSig*", "", "Click to clear", 0},
        {"LabelPosValid#", "", "Click to clear errors", 0}, {"LabelErr#", "", "Click to clear errors", 0},
        {"LabelDir#", "", "Click to toggle", 0}, {"LabelIntrGlitch*", "", "Click to toggle", 0},
        {"LabelIntrNoSig*", "", "Click to toggle", 0}, {"LabelGlobalIntr", "", "", 0},
        {"ButtonGlobalIntr", "Toggle", "Toggles global interrupt bit", 7}, {"CheckBoxFilterEnb", "Enabled", "", 0},
        {"RadioGroupKV", "Kv", "", 0}, {"RadioGroupKp", "Kp", "", 0}, {"LabelPciBus", "PCI Bus:", "", 0},
        {"LabelPciSlot", "PCI Slot:", "", 0}, {"LabelHdwRev", "Hdw Rev:", "", 0}, {"LabelApiRev", "API Rev:", "", 0},
        {"LabelID1", "ID: ", "", 0}, {"LabelRev2", "Rev: ", "", 0}, {"LabelPreset3", "Preset3:", "", 0},
        {"LabelStatusY", "Status: ", "", 0}, {"LabelConfigX", "Config: ", "", 0},
        {"LabelIntrMask", "Intr. Mask: ", "", 0}, {"LabelSampReg", "Sample: ", "", 0},
        {"LabelFilter", "Filter:", "", 0}, {"LabelErrorData", "", "", 0},
    };
    for (const auto& [name, caption, hint, help] : expected) {
      const QString pattern = QString::fromLatin1(name).replace('*', '#');
      const int count = !pattern.contains('#') ? 1 : QString(name).contains('*') ? 4 : 3;
      for (int axis = 0; axis < count; ++axis) {
        const QWidget* control = Named(pattern, axis);
        QVERIFY2(control, qPrintable(pattern));
        if (caption) {
          QString shown;
          if (auto* group = qobject_cast<const QGroupBox*>(control)) shown = group->title();
          if (auto* button = qobject_cast<const QAbstractButton*>(control)) shown = button->text();
          if (auto* label = qobject_cast<const QLabel*>(control)) shown = label->text();
          if (auto* box = qobject_cast<const QLineEdit*>(control)) shown = box->text();
          QCOMPARE(shown, QString::fromLatin1(caption));
        }
        QCOMPARE(control->toolTip(), QString::fromLatin1(hint));
        QCOMPARE(control->property("helpContext").toInt(), help);
      }
    }
    QCOMPARE(Items(Form1->RadioGroupUnitSelect), QStringList({"Raw Dec", "Raw Hex", "mm, mm/s", "inch, in/s"}));
    QCOMPARE(Items(Form1->RadioGroupAx2Optic), QStringList({"2", "4", "8"}));
    QCOMPARE(Items(Form1->RadioGroupKV), QStringList({"0", "1", "2", "3"}));
    QCOMPARE(Items(Form1->RadioGroupKp), QStringList({"0", "1", "2", "3"}));
  }

  void initialStates() {
    QCOMPARE(Form1->findChildren<TLabel*>().size(), 32);
    for (TLabel* label : Form1->findChildren<TLabel*>()) {
      QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
      QCOMPARE(label->Color(), kColorNone);
    }
    QVERIFY(!Form1->LabelUpdate->isVisibleTo(Form1) && !Form1->ButtonUpdate->isEnabled());
    QVERIFY(Form1->RadioButtonUpdateAuto->isChecked() && !Form1->RadioButtonUpdateManual->isChecked());
    QVERIFY(!Form1->CheckBoxFilterEnb->isChecked());
    QCOMPARE(Form1->RadioGroupKV->ItemIndex(), -1);
    QCOMPARE(Form1->RadioGroupKp->ItemIndex(), -1);
    for (int axis = 0; axis < 3; ++axis) QCOMPARE(Named<TRadioGroup>("RadioGroupAx#Optic", axis)->ItemIndex(), 0);
    QCOMPARE(Form1->RadioGroupUnitSelect->ItemIndex(), 0);
  }

  void presetBoxLeadsItsGroupsTabOrder() {
    const QGroupBox* groups[] = {Form1->GroupBox5, Form1->GroupBox13, Form1->GroupBox6};
    for (int axis = 0; axis < 3; ++axis) {
      QWidget* first = Form1->nextInFocusChain();
      while (first != Form1 && !(groups[axis]->isAncestorOf(first) && first->focusPolicy() != Qt::NoFocus))
        first = first->nextInFocusChain();
      QCOMPARE(first, Named("EditPresetData#", axis));
    }
  }

  // With room on the screen the window is as large as its contents and they
  // never scroll, however small it is made. On a smaller screen the window
  // fits the screen and the contents scroll, unsqueezed, down to the bottom
  // row and the error line.
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

  void everyActionWithoutCardReportsItsFailure() {
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
  }

  void indicatorsWithoutCardArePaintedFromTheUnchangedMembers() {
    w_->Connect();
    Form1->ButtonUpdate1->click();
    QCOMPARE(Form1->LabelPosData1->text(), QStringLiteral("Error"));
    QCOMPARE(Form1->LabelVelData1->Color(), kColorFault);
    Click(Form1->LabelGlitch1);
    for (int signal = 0; signal < 4; ++signal) {
      for (const char* name : {"LabelNoSig#", "LabelGlitch#", "LabelErr#"}) {
        if (const TLabel* label = Named<TLabel>(name, signal)) {  // no Error indicator for the reference
          QCOMPARE(label->text(), QStringLiteral("OK"));
          QCOMPARE(label->Color(), kColorGood);
        }
      }
      if (signal < 3) QCOMPARE(Named<TLabel>("LabelPosValid#", signal)->text(), QStringLiteral("Invalid"));
    }
    QCOMPARE(Form1->LabelStatusX->text(), QStringLiteral("Status: 0x????"));
    QCOMPARE(Form1->LabelSampReg->text(), QStringLiteral("Sample: 0x0000"));
    Click(Form1->LabelDir2);
    for (int axis = 0; axis < 3; ++axis) QCOMPARE(Named<TLabel>("LabelDir#", axis)->text(), QStringLiteral("Positive"));
    QCOMPARE(Form1->LabelGlobalIntr->text(), QStringLiteral("Disabled"));
    QCOMPARE(Form1->LabelErrorData->text(), ErrorLine("ZemtraGetConfig"));
    Click(Form1->LabelIntrNoSigRef);
    QCOMPARE(Form1->LabelIntrNoSigRef->text(), QStringLiteral("No"));
    QCOMPARE(Form1->LabelIntrGlitch1->Color(), kColorOff);
    Select(Form1->RadioGroupKV, 3);
    QCOMPARE(Form1->RadioGroupKV->ItemIndex(), 0);
    QCOMPARE(Form1->RadioGroupKp->ItemIndex(), 0);
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
    QCOMPARE(Form1->ValueFormat, QStringLiteral("#,##0.#######0"));
    QCOMPARE(Form1->FoldFactor[1], uint16_t{4});
    QCOMPARE(Form1->LabelUpdate->text(), QStringLiteral("Card Not Open"));
    QCOMPARE(Form1->LabelPosData1->text(), QStringLiteral("1234"));
  }
};

MONITOR_TEST(panels, WindowTest);
#include "window_test.moc"
