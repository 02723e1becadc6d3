// The direct register access dialog as a window: its register map and name
// tables, the bit panel order, the narrow form, Escape, the address box's
// entering, and Enter in a box. No board is open here (the handle is 0).
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <map>
#include <memory>

#include "regaccess.h"

namespace {

using BitTable = std::map<int, QString>;  // bit number -> name

struct Defined16 {
  QString name;
  BitTable bits;
};

// The names the dialog must show, by kind.
const Defined16 kRequired[] = {
    {"A3/IRQ Control and Setup", {{12, "IRQ Enable"}, {1, "A3 Dir"}}},
    {"A1/A2 Control and Setup", {{2, "A1 Dir"}, {1, "A2 Dir"}}},
    {"A3/Ref Error Status", {{5, "Ref Glitch"}, {4, "Ref No Sig"}, {1, "A3 Glitch"}, {0, "A3 No Sig"}}},
    {"A1/A2 Error Status", {{3, "A1 Glitch"}, {2, "A1 No Sig"}, {1, "A2 Glitch"}, {0, "A2 No Sig"}}},
    {"Interrupt Mask",
     {{13, "Ref Glitch"}, {12, "Ref No Sig"}, {9, "A1 Glitch"}, {8, "A1 No Sig"}, {5, "A3 Glitch"},
      {4, "A3 No Sig"}, {1, "A2 Glitch"}, {0, "A2 No Sig"}}},
    {"Filter Settings", {{4, "Enable"}, {3, "Kv1"}, {2, "Kv0"}, {1, "Kp1"}, {0, "Kp0"}}},
    {"Sample Status/Command",
     {{9, "A1 Smp Valid"}, {8, "A1 Pre Error"}, {5, "A3 Smp Valid"}, {4, "A3 Pre Error"},
      {1, "A2 Smp Valid"}, {0, "A2 Pre Error"}}},
};

// The 20 address labels and their kinds.
const std::map<QString, int> kRequiredAddresses = {
    {"0x110", 1},  {"0x010", 0},  {"0x112", 3},  {"0x012", 2},  {"0x016", 4},
    {"0x01C", 5},  {"0x020", 6},  {"0x12C", 32}, {"0x02C", 32}, {"0x130", 32},
    {"0x030", 32}, {"0x11C", 32}, {"0x118", 32}, {"0x018", 32}, {"0x120", 32},
    {"0x100", 32}, {"0x000", 32}, {"0x128", 32}, {"0x108", 32}, {"0x008", 32}};

QRect InDialog(const QWidget* widget, const QWidget* dialog) {
  return QRect(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
}

}  // namespace

class RegAccessWindow : public QObject {
  Q_OBJECT

  DeviceHandle noCard_ = 0;
  std::unique_ptr<TFormRegAccess> dialog_;

  void ShowActive() {
    dialog_->show();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }

 private slots:
  void init() { dialog_ = std::make_unique<TFormRegAccess>(&noCard_); }
  void cleanup() { dialog_.reset(); }

  void nameTablesMatchTheRequiredTexts() {
    for (int kind = 0; kind < regaccess::kDefinedKindCount; ++kind) {
      QCOMPARE(dialog_->RegisterNameTable[kind], kRequired[kind].name);
      for (int bit = 0; bit < 16; ++bit) {
        const auto named = kRequired[kind].bits.find(bit);
        const QString expected = named == kRequired[kind].bits.end() ? QString() : named->second;
        QCOMPARE(dialog_->BitDefinitionTable[kind][15 - bit], expected);
      }
    }
  }

  void mapHasTwentyAddressLabelsWithTheirKinds() {
    const QList<TRegisterLabel*> labels = dialog_->findChildren<TRegisterLabel*>();
    QCOMPARE(labels.size(), qsizetype(20));
    std::map<QString, int> found;
    for (const TRegisterLabel* label : labels) {
      QCOMPARE(label->objectName(), QStringLiteral("LabelReg") + label->text());
      found[label->text()] = label->Kind;
    }
    QCOMPARE(found, kRequiredAddresses);
  }

  void panelsRunFromBit15AcrossTwoRows() {
    for (int i = 0; i < 16; ++i) {
      QCOMPARE(dialog_->BitPanels[i]->objectName(), QStringLiteral("Panel%1").arg(i + 1));
      QCOMPARE(dialog_->findChild<TBitPanel*>(QStringLiteral("Panel%1").arg(i + 1)), dialog_->BitPanels[i]);
    }
    QCOMPARE(dialog_->BitPanels[0], dialog_->Panel1);
    QCOMPARE(dialog_->BitPanels[15], dialog_->Panel16);
    for (int row = 0; row < 2; ++row) {
      for (int i = row * 8 + 1; i < row * 8 + 8; ++i) {
        QCOMPARE(dialog_->BitPanels[i]->y(), dialog_->BitPanels[row * 8]->y());
        QVERIFY(dialog_->BitPanels[i]->x() > dialog_->BitPanels[i - 1]->x());
      }
    }
    QVERIFY(dialog_->Panel9->y() > dialog_->Panel1->y());
    QCOMPARE(dialog_->Panel9->x(), dialog_->Panel1->x());
  }

  void startsOnTheTooltipColourWithNothingSelected() {
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Zemtra Direct Register Access"));
    QCOMPARE(dialog_->property("helpContext").toInt(), 11);
    QCOMPARE(dialog_->palette().color(QPalette::Window), dialog_->palette().color(QPalette::ToolTipBase));
    for (const TRegisterLabel* label : dialog_->AddressLabels)
      QCOMPARE(label->Color(), dialog_->palette().color(QPalette::ToolTipBase));
    QVERIFY(dialog_->SelectedMapEntry == nullptr);
    QVERIFY(!dialog_->DefinitionsShown);
  }

  // The narrow form keeps exactly the address, data, buttons and result line;
  // of the bit display only the parts that are hidden reach into it.
  void narrowFormHoldsTheLeftPartOnly() {
    ShowActive();
    const int edge = TFormRegAccess::kMinWidth;
    const QWidget* leftPart[] = {dialog_->Label1,       dialog_->EditAddr,     dialog_->Label2,
                                 dialog_->EditDataSend, dialog_->Label79,      dialog_->Label3,
                                 dialog_->EditDataRcvd, dialog_->ButtonSend16, dialog_->ButtonSend32,
                                 dialog_->ButtonRead16, dialog_->ButtonRead32, dialog_->ButtonCopy,
                                 dialog_->ButtonShowHide, dialog_->ButtonClose, dialog_->LabelFuncRtn};
    for (const QWidget* widget : leftPart) {
      QVERIFY2(InDialog(widget, dialog_.get()).right() < edge, qPrintable(widget->objectName()));
      QVERIFY2(widget->width() >= widget->minimumSizeHint().width(), qPrintable(widget->objectName()));
    }
    for (const QWidget* widget : {dialog_->Panel1, dialog_->Panel9})
      QVERIFY(InDialog(widget, dialog_.get()).left() < edge);
    for (int i : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15})
      QVERIFY(InDialog(dialog_->BitPanels[i], dialog_.get()).left() >= edge);
    QVERIFY(InDialog(dialog_->LabelRegisterName, dialog_.get()).left() >= edge);
    QVERIFY(InDialog(dialog_->Label19, dialog_.get()).left() >= edge);
    for (const TRegisterLabel* label : dialog_->AddressLabels)
      QVERIFY(InDialog(label, dialog_.get()).left() >= edge);
    for (const TBitPanel* panel : dialog_->BitPanels)
      QVERIFY(InDialog(panel, dialog_.get()).right() < TFormRegAccess::kMaxWidth);
  }

  // Each state has a fixed border: a resize, by the user or the window
  // manager, changes nothing; only the button switches between the widths.
  void showHideSwitchesBetweenTwoFixedSizes_data() {
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("bitsShown");
    QTest::newRow("map shown") << 0 << 550 << "Hide Addr Map" << true;
    QTest::newRow("map hidden") << 1 << 210 << "Show Addr Map" << false;
    QTest::newRow("map shown again") << 2 << 550 << "Hide Addr Map" << true;
  }

  void showHideSwitchesBetweenTwoFixedSizes() {
    QFETCH(int, clicks);
    QFETCH(int, width);
    QFETCH(QString, caption);
    QFETCH(bool, bitsShown);
    ShowActive();
    const int height = dialog_->height();
    for (int i = 0; i < clicks; ++i) dialog_->ButtonShowHide->click();
    QCOMPARE(dialog_->ShowHideFlag, clicks % 2);
    QCOMPARE(dialog_->ButtonShowHide->text(), caption);
    QCOMPARE(dialog_->minimumSize(), QSize(width, height));
    QCOMPARE(dialog_->maximumSize(), QSize(width, height));
    dialog_->resize(380, height + 40);
    QTRY_COMPARE(dialog_->size(), QSize(width, height));
    for (const QWidget* part : {static_cast<QWidget*>(dialog_->UpperBitsLbl), static_cast<QWidget*>(dialog_->LowerBitsLbl),
                                static_cast<QWidget*>(dialog_->Panel1), static_cast<QWidget*>(dialog_->Panel9)})
      QCOMPARE(part->isVisible(), bitsShown);
    QVERIFY(dialog_->Panel2->isVisibleTo(dialog_.get()));
  }

  void escapeHidesAndKeepsTheContents() {
    ShowActive();
    dialog_->EditDataSend->setText(QStringLiteral("0x42"));
    QTest::mouseClick(dialog_->findChild<TRegisterLabel*>(QStringLiteral("LabelReg0x016")), Qt::LeftButton);
    QPointer<TFormRegAccess> alive(dialog_.get());
    QTest::keyClick(dialog_->EditDataSend, Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(alive);
    QCOMPARE(dialog_->EditDataSend->text(), QStringLiteral("0x42"));
    QCOMPARE(dialog_->LabelRegisterName->text(), QStringLiteral("Interrupt Mask Bit Definitions"));

    ShowActive();
    dialog_->ButtonClose->click();
    QVERIFY(!dialog_->isVisible());
    QVERIFY(alive);
  }

  // Clicking an address moves the focus out of the address box, so that going
  // back into it clears the selection and the bit definitions.
  void enteringTheAddressBoxClearsTheSelection() {
    ShowActive();
    dialog_->EditAddr->setFocus();
    QTRY_VERIFY(dialog_->EditAddr->hasFocus());
    TRegisterLabel* status = dialog_->findChild<TRegisterLabel*>(QStringLiteral("LabelReg0x012"));
    QTest::mouseClick(status, Qt::LeftButton);
    QTRY_VERIFY(dialog_->EditDataSend->hasFocus());
    QCOMPARE(dialog_->SelectedMapEntry, status);
    QCOMPARE(dialog_->Panel11->Caption(), QStringLiteral("Ref Glitch"));

    QTest::mouseClick(dialog_->EditAddr, Qt::LeftButton);
    QTRY_VERIFY(dialog_->EditAddr->hasFocus());
    QVERIFY(dialog_->SelectedMapEntry == nullptr);
    QCOMPARE(status->Color(), dialog_->palette().color(QPalette::Window));
    QVERIFY(!dialog_->DefinitionsShown);
    QVERIFY(dialog_->LabelRegisterName->text().isEmpty());
    for (const TBitPanel* panel : dialog_->BitPanels) QVERIFY(panel->Caption().isEmpty());
    QCOMPARE(dialog_->EditAddr->text(), QStringLiteral("0x012"));
  }

  // Enter in a box presses no button: it would send, read, copy over the
  // value being typed, or close the dialog.
  void enterInTheBoxesPressesNoButton() {
    ShowActive();
    dialog_->EditAddr->setText(QStringLiteral("0x11C"));
    dialog_->EditDataSend->setText(QStringLiteral("0x99"));
    dialog_->EditDataRcvd->setText(QStringLiteral("0x00001234"));
    for (QLineEdit* box : {dialog_->EditAddr, dialog_->EditDataSend, dialog_->EditDataRcvd}) {
      box->setFocus();
      QTRY_VERIFY(box->hasFocus());
      QTest::keyClick(box, Qt::Key_Return);
      QTest::keyClick(box, Qt::Key_Enter);
    }
    QCOMPARE(dialog_->EditDataSend->text(), QStringLiteral("0x99"));
    QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("0x00001234"));
    QVERIFY(dialog_->LabelFuncRtn->text().isEmpty());
    QVERIFY(dialog_->isVisible());
  }
};

QTEST_MAIN(RegAccessWindow)
#include "regaccess_window_test.moc"
