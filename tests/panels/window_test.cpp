// The main window's controls as the layout makes them (items, tab order, fit
// to the screen), and every control with no card open: nothing crashes, each
// failed call is reported, every handler runs to its end, and the indicators
// are painted from the members that no call could change.
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "monitor_fixture.h"

using namespace monitor_test;

namespace {

QString ErrorLine(const char* function) {
  return QStringLiteral("ERROR: \"%1\" reported by %2()").arg(ZemtraGetErrStr(Form1->LastError), function);
}

}  // namespace

class WindowTest : public MonitorTest {
  Q_OBJECT

 public:
  WindowTest() : MonitorTest("", false) {}

 private slots:
  void groupItems() {
    QStringList items;
    for (const TRadioGroup* group : {Form1->RadioGroupUnitSelect, Form1->RadioGroupAx2Optic, Form1->RadioGroupKV})
      for (const QRadioButton* item : group->findChildren<QRadioButton*>()) items << item->text();
    QCOMPARE(items, QStringList({"Raw Dec", "Raw Hex", "mm, mm/s", "inch, in/s", "2", "4", "8", "0", "1", "2", "3"}));
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

MONITOR_TEST(panels, WindowTest);
#include "window_test.moc"
