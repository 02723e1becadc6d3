// The direct register access dialog on a board whose A2 has no signal and A1 glitches (0x112
// holds bits 3 and 0): map, forms, keys, reads and writes, each checked against the board.
#include <QLineEdit>

#include "monitor_fixture.h"
#include "regaccess.h"
#include "zemtra_registers.h"

using namespace monitor_test;

namespace {

const QString kSuccess = QStringLiteral("Success");
const QString kNullParameter = QStringLiteral("A passed parameter is NULL");
const QString kBadAddress = QStringLiteral("Invalid register address for this operation");
const QString kAddressNotValid = QStringLiteral("Address not valid");
const QString kDataNotValid = QStringLiteral("Data not valid");
constexpr uint32_t kUntouched = 0x5A5A5A5A;

uint32_t ReadLong(int32_t offset) {
  uint32_t value = 0;
  return ZemtraReadRegisterLong(Form1->CardHandle, offset, &value) == ZEMTRA_SUCCESS ? value : ~0u;
}

TRegisterLabel* Address(const char* caption) {
  return FormRegAccess->findChild<TRegisterLabel*>(QStringLiteral("LabelReg") + caption);
}

QColor ButtonFace() { return FormRegAccess->palette().color(QPalette::Button); }

void Enter(const QString& address, const QString& value = QString()) {
  FormRegAccess->EditAddr->setText(address);
  FormRegAccess->EditDataSend->setText(value);
}

QRect InDialog(const QWidget* widget) { return {widget->mapTo(FormRegAccess, QPoint(0, 0)), widget->size()}; }

}  // namespace

class RegAccessTest : public MonitorTest {
  Q_OBJECT

  void ShowActive() {
    FormRegAccess->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FormRegAccess));
  }

 public:
  RegAccessTest() : MonitorTest("boards=1,motion=off,nosig=A2,glitch=A1") {}

 protected:
  void Prepare() override {
    QCOMPARE(ZemtraWriteRegisterLong(Form1->CardHandle, ZEMTRA_REG_A1_PRESET, kUntouched), ZEMTRA_SUCCESS);
    Form1->DirectRegisterAccess1->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(FormRegAccess));
  }

 private slots:
  // The bit panels run from bit 15 in two rows of eight. The narrow form
  // keeps exactly the address, data, buttons and result line.
  void formsKeysAndClosing() {
    ShowActive();
    TFormRegAccess* d = FormRegAccess;
    const int edge = TFormRegAccess::kMinWidth;
    for (const QWidget* widget : std::initializer_list<const QWidget*>{
             d->Label1, d->EditAddr, d->Label2, d->EditDataSend, d->Label79, d->Label3, d->EditDataRcvd,
             d->ButtonSend16, d->ButtonSend32, d->ButtonRead16, d->ButtonRead32, d->ButtonCopy, d->ButtonShowHide,
             d->ButtonClose, d->LabelFuncRtn}) {
      QVERIFY2(InDialog(widget).right() < edge, qPrintable(widget->objectName()));
      QVERIFY2(widget->width() >= widget->minimumSizeHint().width(), qPrintable(widget->objectName()));
    }
    QVERIFY(d->Panel2->x() > d->Panel1->x() && d->Panel9->y() > d->Panel1->y() && d->Panel9->x() == d->Panel1->x());
    QVERIFY(InDialog(d->LabelRegisterName).left() >= edge && InDialog(d->Label19).left() >= edge);
    for (const TRegisterLabel* label : d->AddressLabels) QVERIFY(InDialog(label).left() >= edge);

    // Each state has a fixed size, whoever resizes; only the button switches between the widths.
    const int height = d->height();
    const QWidget* hidden[] = {d->UpperBitsLbl, d->LowerBitsLbl, d->Panel1, d->Panel9};
    for (const auto& [flag, caption, width] : {std::tuple{0, "Hide Addr Map", 550}, {1, "Show Addr Map", 210},
                                               {0, "Hide Addr Map", 550}}) {
      if (d->ShowHideFlag != flag) d->ButtonShowHide->click();
      QCOMPARE(d->ShowHideFlag, flag);
      QCOMPARE(d->ButtonShowHide->text(), QString::fromLatin1(caption));
      QCOMPARE(d->minimumSize(), QSize(width, height));
      QCOMPARE(d->maximumSize(), QSize(width, height));
      d->resize(380, height + 40);
      QTRY_COMPARE(d->size(), QSize(width, height));
      for (const QWidget* part : hidden) QCOMPARE(part->isVisible(), flag == 0);
      QVERIFY(d->Panel2->isVisibleTo(d));
    }
    // Enter in a box presses no button (it would send, read, copy over the value being typed,
    // or close). Escape and Close hide the dialog and keep its contents.
    Enter(QStringLiteral("0x11C"), QStringLiteral("0x42"));
    FormRegAccess->EditDataRcvd->setText(QStringLiteral("0x00001234"));
    for (QLineEdit* box : {FormRegAccess->EditAddr, FormRegAccess->EditDataSend, FormRegAccess->EditDataRcvd}) {
      box->setFocus();
      QTRY_VERIFY(box->hasFocus());
      QTest::keyClick(box, Qt::Key_Return);
      QTest::keyClick(box, Qt::Key_Enter);
    }
    QCOMPARE(FormRegAccess->EditDataRcvd->text(), QStringLiteral("0x00001234"));
    QVERIFY(FormRegAccess->LabelFuncRtn->text().isEmpty() && FormRegAccess->isVisible());
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), kUntouched);
    QTest::mouseClick(Address("0x016"), Qt::LeftButton);
    const QPointer<TFormRegAccess> alive(FormRegAccess);
    QTest::keyClick(FormRegAccess->EditDataSend, Qt::Key_Escape);
    QVERIFY(alive && !FormRegAccess->isVisible());
    QCOMPARE(FormRegAccess->EditDataSend->text(), QStringLiteral("0x42"));
    QCOMPARE(FormRegAccess->LabelRegisterName->text(), QStringLiteral("Interrupt Mask Bit Definitions"));
    QCOMPARE(FormRegAccess->Panel3->Caption(), QStringLiteral("Ref Glitch"));  // bit 13
    FormRegAccess->show();
    ShowActive();
    FormRegAccess->ButtonClose->click();
    QVERIFY(alive && !FormRegAccess->isVisible() && Form1->isVisible());
  }

  // A 16-bit register: its names, read at once, set bits green; the click leaves the address
  // box, so going back into it clears the selection and the bit definitions. A 32-bit one
  // clears them too and reads 32 bits; only the last is marked.
  void clickingAddresses() {
    ShowActive();
    FormRegAccess->EditAddr->setFocus();
    QTRY_VERIFY(FormRegAccess->EditAddr->hasFocus());
    TRegisterLabel* status = Address("0x112");
    QTest::mouseClick(status, Qt::LeftButton);
    QTRY_VERIFY(FormRegAccess->EditDataSend->hasFocus());
    QCOMPARE(FormRegAccess->SelectedMapEntry, status);
    QCOMPARE(status->Kind, 3);  // the fourth of the registers with bits, as the name table has it
    QCOMPARE(status->Color(), kColorSelectedAddress);
    QCOMPARE(FormRegAccess->EditAddr->text(), QStringLiteral("0x112"));
    QCOMPARE(FormRegAccess->LabelRegisterName->text(), QStringLiteral("A1/A2 Error Status Bit Definitions"));
    const QStringList names{"A1 Glitch", "A1 No Sig", "A2 Glitch", "A2 No Sig"};
    for (int bit = 15; bit >= 0; --bit)
      QCOMPARE(FormRegAccess->BitPanels[15 - bit]->Caption(), bit < 4 ? names[3 - bit] : QString());
    uint16_t onBoard = 0;
    QCOMPARE(ZemtraReadRegisterWord(Form1->CardHandle, ZEMTRA_REG_A1_A2_STATUS, &onBoard), ZEMTRA_SUCCESS);
    QCOMPARE(onBoard & 0xF, 0x9);
    QCOMPARE(FormRegAccess->EditDataRcvd->text(), QString::asprintf("0x%04X", onBoard));
    QCOMPARE(FormRegAccess->LabelFuncRtn->text(), kSuccess);
    QVERIFY(TextColour(FormRegAccess->LabelFuncRtn) != kColorFailure);
    for (int bit = 0; bit < 16; ++bit)
      QCOMPARE(FormRegAccess->BitPanels[15 - bit]->Color(), (onBoard >> bit & 1) ? kColorBitSet : ButtonFace());
    QTest::mouseClick(FormRegAccess->EditAddr, Qt::LeftButton);
    QTRY_VERIFY(FormRegAccess->EditAddr->hasFocus());
    QVERIFY(FormRegAccess->SelectedMapEntry == nullptr && !FormRegAccess->DefinitionsShown);
    QCOMPARE(status->Color(), FormRegAccess->palette().color(QPalette::Window));
    QVERIFY(FormRegAccess->LabelRegisterName->text().isEmpty());
    for (const TBitPanel* panel : FormRegAccess->BitPanels) QVERIFY(panel->Caption().isEmpty());
    QCOMPARE(FormRegAccess->EditAddr->text(), QStringLiteral("0x112"));

    QTest::mouseClick(status, Qt::LeftButton);
    TRegisterLabel* product = Address("0x030");
    QTest::mouseClick(product, Qt::LeftButton);
    QCOMPARE(FormRegAccess->EditAddr->text(), QStringLiteral("0x030"));
    QCOMPARE(FormRegAccess->EditDataRcvd->text(), QStringLiteral("0x0004D27B"));
    QVERIFY(!FormRegAccess->DefinitionsShown);
    QVERIFY(FormRegAccess->LabelRegisterName->text().isEmpty());
    for (const TBitPanel* panel : FormRegAccess->BitPanels) {
      QVERIFY(panel->Caption().isEmpty());
      QCOMPARE(panel->Color(), ButtonFace());
    }
    QCOMPARE(FormRegAccess->SelectedMapEntry, product);
    QCOMPARE(status->Color(), FormRegAccess->palette().color(QPalette::Window));

    // A word read of a wide register paints no bit.
    QTest::mouseClick(Address("0x11C"), Qt::LeftButton);
    FormRegAccess->ButtonRead16->click();
    QCOMPARE(FormRegAccess->EditDataRcvd->text(), QStringLiteral("0x5A5A"));
    for (const TBitPanel* panel : FormRegAccess->BitPanels) QCOMPARE(panel->Color(), ButtonFace());
  }

  // Address and value forms sent as 32 (or 16: the low half) bits to the A1 preset: what it then
  // holds, or the refusal by the dialog or, outside the board's window, by the library.
  void entryForms_data() {
    RowsShareWindows();
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("result");
    QTest::addColumn<uint32_t>("stored");
    QTest::addColumn<bool>("word");
    const QString a1Preset = QStringLiteral("0x11C");
    QTest::newRow("16 bits") << "0x1011C" << "0x12345678" << kSuccess << 0x5A5A5678u << true;
    QTest::newRow("leading blanks") << "   284" << "  7" << kSuccess << 7u << false;
    QTest::newRow("dollar hex") << "$11c" << "$ABCDEF01" << kSuccess << 0xABCDEF01u << false;
    QTest::newRow("upper X") << "0X11C" << "0XabcdEF01" << kSuccess << 0xABCDEF01u << false;
    QTest::newRow("negative address wraps") << "-65252" << "3" << kSuccess << 3u << false;
    QTest::newRow("int32 min") << a1Preset << "-2147483648" << kSuccess << 0x80000000u << false;
    QTest::newRow("eight hex digits") << a1Preset << "0xFFFFFFFF" << kSuccess << 0xFFFFFFFFu << false;
    QTest::newRow("above int32") << a1Preset << "2147483648" << kDataNotValid << kUntouched << false;
    QTest::newRow("more than 32 bits") << a1Preset << "0x100000000" << kDataNotValid << kUntouched << false;
    QTest::newRow("empty value") << a1Preset << "" << kDataNotValid << kUntouched << false;
    QTest::newRow("signed hex") << a1Preset << "-0x10" << kDataNotValid << kUntouched << false;
    QTest::newRow("no number") << a1Preset << "no number" << kDataNotValid << kUntouched << true;
    QTest::newRow("empty address") << "" << "1" << kAddressNotValid << kUntouched << false;
    QTest::newRow("address too large") << "4294967580" << "1" << kAddressNotValid << kUntouched << false;
    QTest::newRow("address no number") << "0x1G" << "1" << kAddressNotValid << kUntouched << false;
    QTest::newRow("after the window") << "0x200" << "1" << kBadAddress << kUntouched << false;
    QTest::newRow("unaligned") << "0x11E" << "1" << kBadAddress << kUntouched << false;
    QTest::newRow("16-bit sign") << "0x811C" << "1" << kBadAddress << kUntouched << true;
  }
  void entryForms() {
    QFETCH(QString, address);
    QFETCH(QString, value);
    QFETCH(QString, result);
    QFETCH(uint32_t, stored);
    QFETCH(bool, word);
    FormRegAccess->EditDataRcvd->setText(QStringLiteral("0x1234"));
    Enter(address, value);
    (word ? FormRegAccess->ButtonSend16 : FormRegAccess->ButtonSend32)->click();
    QCOMPARE(FormRegAccess->LabelFuncRtn->text(), result);
    QCOMPARE(TextColour(FormRegAccess->LabelFuncRtn) == kColorFailure, result != kSuccess);
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), stored);
    QVERIFY(FormRegAccess->EditDataRcvd->text().isEmpty());
  }

  // Each operation takes the main window's handle: with the card closed each answers "A passed
  // parameter is NULL" and a read paints no bit; after re-selection it uses the new handle.
  void followsTheMainWindowsCard() {
    QTest::mouseClick(Address("0x112"), Qt::LeftButton);
    QCOMPARE(FormRegAccess->Panel16->Color(), kColorBitSet);
    QCOMPARE(ZemtraClose(&Form1->CardHandle), ZEMTRA_SUCCESS);
    Enter(QStringLiteral("0x11C"), QStringLiteral("1"));
    for (QPushButton* button : {FormRegAccess->ButtonSend16, FormRegAccess->ButtonSend32, FormRegAccess->ButtonRead32,
                                FormRegAccess->ButtonRead16}) {
      FormRegAccess->LabelFuncRtn->clear();
      button->click();
      QCOMPARE(FormRegAccess->LabelFuncRtn->text(), kNullParameter);
      QCOMPARE(TextColour(FormRegAccess->LabelFuncRtn), kColorFailure);
    }
    QCOMPARE(FormRegAccess->EditDataRcvd->text(), QStringLiteral("Error"));
    for (const TBitPanel* panel : FormRegAccess->BitPanels) QCOMPARE(panel->Color(), ButtonFace());
    QCOMPARE(FormRegAccess->Panel16->Caption(), QStringLiteral("A2 No Sig"));

    Form1->SelectCard1->trigger();
    QVERIFY(Form1->CardHandle != 0);
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), kUntouched);
    Enter(QStringLiteral("0x112"));
    FormRegAccess->ButtonRead16->click();
    QCOMPARE(FormRegAccess->LabelFuncRtn->text(), kSuccess);
    QCOMPARE(FormRegAccess->Panel16->Color(), kColorBitSet);
  }
};

MONITOR_TEST(regaccess, RegAccessTest);
#include "regaccess_test.moc"
