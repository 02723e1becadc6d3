// The main window's controls as the layout makes them: names, captions,
// hints, help contexts, initial states, the tab order of an axis group and
// the Close button; and the window on screens with and without room for it.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "panel_harness.h"

using panel_test::Window;

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirNamesCaptionsHintsAndHelp() {
    Window window;
    TForm1& form = window.form;
    struct Expected {
      QWidget* control;
      const char* name;
      const char* caption;  // title, text or caption; null: not checked
      const char* hint;
      int help;  // 0: none
    };
    const Expected expected[] = {
        {form.GroupBox5, "GroupBox5", "Axis 1", "", 0},
        {form.GroupBox13, "GroupBox13", "Axis 2", "", 0},
        {form.GroupBox6, "GroupBox6", "Axis 3", "", 0},
        {form.GroupBox4, "GroupBox4", "Reference", "", 0},
        {form.GroupBox7, "GroupBox7", "Update", "", 6},
        {form.GroupBox10, "GroupBox10", "Filter", "", 8},
        {form.GroupBox11, "GroupBox11", "Global Interrupt", "", 7},
        {form.GroupBox12, "GroupBox12", "Info", "", 0},
        {form.GroupBox1, "GroupBox1", "FPGA 1 Registers", "", 0},
        {form.GroupBox2, "GroupBox2", "FPGA 2 Registers", "", 0},
        {form.RadioGroupUnitSelect, "RadioGroupUnitSelect", "Display Units", "", 13},
        {form.RadioGroupAx2Optic, "RadioGroupAx2Optic", "Optic Type Fold Factor", "", 15},
        {form.ButtonPresetAll, "ButtonPresetAll", "&Preset All Axes", "Position Preset for all axes", 6},
        {form.ButtonClearStatusAll, "ButtonClearStatusAll", "Clear All &Status", "Attempts to clear errors on all axes", 6},
        {form.BitBtnClose, "BitBtnClose", nullptr, "Exits application", 6},
        {form.LabelPosData2, "LabelPosData2", "", "In raw interferometer units (click to update)", 0},
        {form.LabelVelData3, "LabelVelData3", "", "In raw interferometer units (click to update)", 0},
        {form.LabelPos1Name, "LabelPos1Name", "Position:", "", 0},
        {form.LabelVel2Name, "LabelVel2Name", "Velocity:", "", 0},
        {form.ButtonSample2, "ButtonSample2", "Sample", "Samples position & velocity (does not read value)", 3},
        {form.ButtonRead3, "ButtonRead3", "Read", "Read last sampled value of position & velocity", 4},
        {form.ButtonUpdate1, "ButtonUpdate1", "Sample and Read", "Samples and then reads position and velocity", 5},
        {form.LabelUpdate, "LabelUpdate", "Updating", "", 0},
        {form.RadioButtonUpdateAuto, "RadioButtonUpdateAuto", "&Automatic", "", 0},
        {form.RadioButtonUpdateManual, "RadioButtonUpdateManual", "&Manual", "", 0},
        {form.ButtonUpdate, "ButtonUpdate", "&Update", "Updates all values", 6},
        {form.LabelPreset1Name, "LabelPreset1Name", "Preset:", "", 0},
        {form.Label18, "Label18", "Preset:", "", 0},
        {form.LabelPreset3Name, "LabelPreset3Name", "Preset:", "", 0},
        {form.EditPresetData2, "EditPresetData2", "", "Click \"Position Preset\" to load register", 1},
        {form.ButtonPreset3, "ButtonPreset3", "Position Preset", "Transfers Preset value to Position register", 2},
        {form.LabelGlitchRef, "LabelGlitchRef", "", "Click to clear", 0},
        {form.LabelNoSig1, "LabelNoSig1", "", "Click to clear", 0},
        {form.LabelPosValid2, "LabelPosValid2", "", "Click to clear errors", 0},
        {form.LabelErr3, "LabelErr3", "", "Click to clear errors", 0},
        {form.LabelDir1, "LabelDir1", "", "Click to toggle", 0},
        {form.LabelIntrNoSigRef, "LabelIntrNoSigRef", "", "Click to toggle", 0},
        {form.LabelGlobalIntr, "LabelGlobalIntr", "", "", 0},
        {form.ButtonGlobalIntr, "ButtonGlobalIntr", "Toggle", "Toggles global interrupt bit", 7},
        {form.CheckBoxFilterEnb, "CheckBoxFilterEnb", "Enabled", "", 0},
        {form.RadioGroupKV, "RadioGroupKV", "Kv", "", 0},
        {form.RadioGroupKp, "RadioGroupKp", "Kp", "", 0},
        {form.LabelPciBus, "LabelPciBus", "PCI Bus:", "", 0},
        {form.LabelPciSlot, "LabelPciSlot", "PCI Slot:", "", 0},
        {form.LabelHdwRev, "LabelHdwRev", "Hdw Rev:", "", 0},
        {form.LabelApiRev, "LabelApiRev", "API Rev:", "", 0},
        {form.LabelID1, "LabelID1", "ID: ", "", 0},
        {form.LabelRev2, "LabelRev2", "Rev: ", "", 0},
        {form.LabelPreset3, "LabelPreset3", "Preset3:", "", 0},
        {form.LabelStatusY, "LabelStatusY", "Status: ", "", 0},
        {form.LabelConfigX, "LabelConfigX", "Config: ", "", 0},
        {form.LabelIntrMask, "LabelIntrMask", "Intr. Mask: ", "", 0},
        {form.LabelSampReg, "LabelSampReg", "Sample: ", "", 0},
        {form.LabelFilter, "LabelFilter", "Filter:", "", 0},
        {form.LabelErrorData, "LabelErrorData", "", "", 0},
    };
    for (const Expected& e : expected) {
      QVERIFY2(e.control != nullptr, e.name);
      QCOMPARE(e.control->objectName(), QString::fromLatin1(e.name));
      if (e.caption != nullptr) {
        QString caption;
        if (auto* group = qobject_cast<QGroupBox*>(e.control)) caption = group->title();
        if (auto* button = qobject_cast<QAbstractButton*>(e.control)) caption = button->text();
        if (auto* label = qobject_cast<QLabel*>(e.control)) caption = label->text();
        if (auto* box = qobject_cast<QLineEdit*>(e.control)) caption = box->text();
        QCOMPARE(caption, QString::fromLatin1(e.caption));
      }
      QCOMPARE(e.control->toolTip(), QString::fromLatin1(e.hint));
      QCOMPARE(e.control->property("helpContext").toInt(), e.help);
    }
  }

  void initialStates() {
    Window window;
    TForm1& form = window.form;
    for (TLabel* label : form.findChildren<TLabel*>()) {
      QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
      QCOMPARE(label->Color(), kColorNone);
    }
    QCOMPARE(form.findChildren<TLabel*>().size(), 32);
    QVERIFY(!form.LabelUpdate->isVisibleTo(&form));
    QVERIFY(form.RadioButtonUpdateAuto->isChecked());
    QVERIFY(!form.RadioButtonUpdateManual->isChecked());
    QVERIFY(!form.ButtonUpdate->isEnabled());
    QVERIFY(!form.CheckBoxFilterEnb->isChecked());
    QCOMPARE(form.RadioGroupKV->ItemIndex(), -1);
    QCOMPARE(form.RadioGroupKp->ItemIndex(), -1);
    QCOMPARE(form.RadioGroupUnitSelect->ItemIndex(), 0);
    for (TRadioGroup* optic : {form.RadioGroupAx1Optic, form.RadioGroupAx2Optic, form.RadioGroupAx3Optic}) {
      QCOMPARE(optic->ItemIndex(), 0);
    }
    QCOMPARE(form.FoldFactor, (std::array<uint16_t, 3>{2, 2, 2}));
    QCOMPARE(form.PositionScale, 1.0);
    QVERIFY(form.ValueFormat.isEmpty());
    QVERIFY(!form.ShowHex);
  }

  void presetBoxLeadsItsGroupsTabOrder() {
    Window window;
    TForm1& form = window.form;
    for (auto [group, box] : {std::pair<QGroupBox*, TEdit*>{form.GroupBox5, form.EditPresetData1},
                              {form.GroupBox13, form.EditPresetData2},
                              {form.GroupBox6, form.EditPresetData3}}) {
      QWidget* first = nullptr;
      for (QWidget* w = form.nextInFocusChain(); w != &form; w = w->nextInFocusChain()) {
        if (group->isAncestorOf(w) && w->focusPolicy() != Qt::NoFocus) {
          first = w;
          break;
        }
      }
      QCOMPARE(first, static_cast<QWidget*>(box));
    }
  }

  void closeButtonClosesTheWindow() {
    Window window;
    TForm1& form = window.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.BitBtnClose->click();
    QVERIFY(!form.isVisible());
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
    Window window;
    TForm1& form = window.form;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto target = std::find_if(screens.begin(), screens.end(), [&](QScreen* s) { return s->name() == screen; });
    QVERIFY(target != screens.end());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.setScreen(*target);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.screen(), *target);
    if (!scrolls) form.resize(1, 1);

    const QSize room = (*target)->availableGeometry().size();
    QVERIFY2(form.frameGeometry().width() <= room.width() && form.frameGeometry().height() <= room.height(),
             qPrintable(QStringLiteral("%1x%2").arg(form.frameGeometry().width()).arg(form.frameGeometry().height())));
    auto* area = qobject_cast<QScrollArea*>(form.centralWidget());
    QVERIFY(area);
    QCoreApplication::processEvents();  // the scroll bars follow the size in a later layout pass
    QCOMPARE(area->verticalScrollBar()->isVisible() || area->horizontalScrollBar()->isVisible(), scrolls);
    const QWidget* contents = area->widget();
    QVERIFY(contents->width() >= contents->minimumSizeHint().width());
    QVERIFY(contents->height() >= contents->minimumSizeHint().height());
    for (QWidget* bottom : {static_cast<QWidget*>(form.BitBtnClose), static_cast<QWidget*>(form.LabelErrorData)}) {
      area->ensureWidgetVisible(bottom, 0, 0);
      const QRect seen(bottom->mapTo(area->viewport(), QPoint()), bottom->size());
      QVERIFY(seen.top() >= 0 && seen.bottom() < area->viewport()->height());
    }
  }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
