// The direct register access dialog on a simulated board: reads, writes, the
// register map, the entry rules and the failures, each checked against the
// board through the library rather than through the dialog.
//
// The board is simulated with A2 missing its signal and A1 glitching, so its
// A1/A2 Error Status register (0x112) holds A1 Glitch (bit 3) and A2 No Sig (bit 0).
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "regaccess.h"
#include "zemtra.h"
#include "zemtra_registers.h"

namespace {

const QString kSuccess = QStringLiteral("Success");
const QString kNullParameter = QStringLiteral("A passed parameter is NULL");
const QString kBadAddress = QStringLiteral("Invalid register address for this operation");
const QString kAddressNotValid = QStringLiteral("Address not valid");
const QString kDataNotValid = QStringLiteral("Data not valid");

constexpr uint16_t kExpectedStatusBits = ZEMTRA_ST12_A1_GLITCH | ZEMTRA_ST12_A2_NOSIG;
constexpr uint32_t kUntouched = 0x5A5A5A5A;

QColor TextColor(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

}  // namespace

class RegAccessOperations : public QObject {
  Q_OBJECT

  DeviceHandle card_ = 0;  // plays the main window's CardHandle
  std::unique_ptr<TFormRegAccess> dialog_;

  TRegisterLabel* Address(const QString& caption) const {
    return dialog_->findChild<TRegisterLabel*>(QStringLiteral("LabelReg") + caption);
  }
  QColor ButtonFace() const { return dialog_->palette().color(QPalette::Button); }
  uint32_t ReadLong(int32_t offset) const {
    uint32_t value = 0;
    if (ZemtraReadRegisterLong(card_, offset, &value) != ZEMTRA_SUCCESS) return ~0u;
    return value;
  }
  void Enter(const QString& address, const QString& value = QString()) {
    dialog_->EditAddr->setText(address);
    dialog_->EditDataSend->setText(value);
  }
  void ExpectFailure(const QString& text) const {
    QCOMPARE(dialog_->LabelFuncRtn->text(), text);
    QCOMPARE(TextColor(dialog_->LabelFuncRtn), kColorFailure);
  }

 private slots:
  void initTestCase() {
    int32_t id = 0;
    QCOMPARE(ZemtraOpen(nullptr, &card_, &id), ZEMTRA_SUCCESS);
    QCOMPARE(id, ZEMTRA_BOARD_ID);
    uint16_t status = 0;
    QCOMPARE(ZemtraReadRegisterWord(card_, ZEMTRA_REG_A1_A2_STATUS, &status), ZEMTRA_SUCCESS);
    QCOMPARE(status & 0xFF, kExpectedStatusBits);
  }
  void init() {
    QVERIFY(card_ != 0);
    QCOMPARE(ZemtraWriteRegisterLong(card_, ZEMTRA_REG_A1_PRESET, kUntouched), ZEMTRA_SUCCESS);
    dialog_ = std::make_unique<TFormRegAccess>(&card_);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  void cleanup() { dialog_.reset(); }
  void cleanupTestCase() { QCOMPARE(ZemtraClose(&card_), ZEMTRA_SUCCESS); }

  void clickingStatusRegisterShowsItsBitsAndReadsIt() {
    TRegisterLabel* label = Address(QStringLiteral("0x112"));
    QVERIFY(label);
    QTest::mouseClick(label, Qt::LeftButton);

    QCOMPARE(dialog_->SelectedMapEntry, label);
    QCOMPARE(label->Color(), kColorSelectedAddress);
    QCOMPARE(dialog_->EditAddr->text(), QStringLiteral("0x112"));
    QCOMPARE(dialog_->LabelRegisterName->text(), QStringLiteral("A1/A2 Error Status Bit Definitions"));
    QVERIFY(dialog_->DefinitionsShown);
    const QStringList lowBits{QStringLiteral("A1 Glitch"), QStringLiteral("A1 No Sig"),
                              QStringLiteral("A2 Glitch"), QStringLiteral("A2 No Sig")};
    for (int bit = 3; bit >= 0; --bit) QCOMPARE(dialog_->BitPanels[15 - bit]->Caption(), lowBits[3 - bit]);
    for (int bit = 15; bit > 3; --bit) QVERIFY(dialog_->BitPanels[15 - bit]->Caption().isEmpty());

    uint16_t onBoard = 0;
    QCOMPARE(ZemtraReadRegisterWord(card_, ZEMTRA_REG_A1_A2_STATUS, &onBoard), ZEMTRA_SUCCESS);
    QCOMPARE(dialog_->EditDataRcvd->text(), QString::asprintf("0x%04X", onBoard));
    QCOMPARE(dialog_->LabelFuncRtn->text(), kSuccess);
    QVERIFY(TextColor(dialog_->LabelFuncRtn) != kColorFailure);
    for (int bit = 0; bit < 16; ++bit) {
      const bool set = onBoard >> bit & 1;
      QCOMPARE(dialog_->BitPanels[15 - bit]->Color(), set ? kColorBitSet : ButtonFace());
    }
    QCOMPARE(dialog_->Panel13->Color(), kColorBitSet);  // bit 3, A1 Glitch
    QCOMPARE(dialog_->Panel16->Color(), kColorBitSet);  // bit 0, A2 No Sig
    QCOMPARE(dialog_->Panel15->Color(), ButtonFace());  // bit 1, A2 Glitch
  }

  void clickingProductCodeClearsBitsAndReadsLong() {
    QTest::mouseClick(Address(QStringLiteral("0x112")), Qt::LeftButton);
    TRegisterLabel* product = Address(QStringLiteral("0x030"));
    QTest::mouseClick(product, Qt::LeftButton);

    QCOMPARE(dialog_->EditAddr->text(), QStringLiteral("0x030"));
    QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("0x0004D27B"));
    QCOMPARE(dialog_->LabelFuncRtn->text(), kSuccess);
    QVERIFY(!dialog_->DefinitionsShown);
    QVERIFY(dialog_->LabelRegisterName->text().isEmpty());
    for (const TBitPanel* panel : dialog_->BitPanels) {
      QVERIFY(panel->Caption().isEmpty());
      QCOMPARE(panel->Color(), ButtonFace());
    }
    // Only the label clicked last is marked.
    QCOMPARE(dialog_->SelectedMapEntry, product);
    QCOMPARE(product->Color(), kColorSelectedAddress);
    QCOMPARE(Address(QStringLiteral("0x112"))->Color(), dialog_->palette().color(QPalette::Window));
  }

  void misalignedReadShowsErrorInRed() {
    Enter(QStringLiteral("0x11"));
    dialog_->ButtonRead16->click();
    QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("Error"));
    ExpectFailure(kBadAddress);

    Enter(QStringLiteral("0x112"));
    dialog_->ButtonRead32->click();
    QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("Error"));
    ExpectFailure(kBadAddress);
  }

  void badValueIsRefusedBeforeAnyWrite() {
    dialog_->EditDataRcvd->setText(QStringLiteral("0x1234"));
    Enter(QStringLiteral("0x11C"), QStringLiteral("no number"));
    dialog_->ButtonSend16->click();
    QVERIFY(dialog_->EditDataRcvd->text().isEmpty());
    ExpectFailure(kDataNotValid);
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), kUntouched);
  }

  // Which operations clear the received-data box when the address is refused.
  void refusedAddressClearsReceivedBoxOnlyWhenSending() {
    const std::pair<QPushButton*, bool> cases[] = {{dialog_->ButtonSend16, true},
                                                    {dialog_->ButtonSend32, true},
                                                    {dialog_->ButtonRead16, false},
                                                    {dialog_->ButtonRead32, false}};
    for (const auto& [button, clears] : cases) {
      dialog_->EditDataRcvd->setText(QStringLiteral("0x00001234"));
      Enter(QStringLiteral("0x1G"), QStringLiteral("1"));
      button->click();
      ExpectFailure(kAddressNotValid);
      QCOMPARE(dialog_->EditDataRcvd->text().isEmpty(), clears);
    }
  }

  // Entry forms of the address and the value, sent as 32 bits to the A1 preset
  // register: the value the register then holds, or the refusal.
  void entryForms_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("result");
    QTest::addColumn<uint32_t>("stored");

    const QString a1Preset = QStringLiteral("0x11C");
    QTest::newRow("decimal address") << "284" << "1" << kSuccess << 1u;
    QTest::newRow("leading blanks") << "   284" << "  7" << kSuccess << 7u;
    QTest::newRow("dollar hex") << "$11c" << "$ABCDEF01" << kSuccess << 0xABCDEF01u;
    QTest::newRow("upper X") << "0X11C" << "0XabcdEF01" << kSuccess << 0xABCDEF01u;
    QTest::newRow("low 16 bits of address") << "0x1011C" << "2" << kSuccess << 2u;
    QTest::newRow("negative address wraps") << "-65252" << "3" << kSuccess << 3u;
    QTest::newRow("int32 min") << a1Preset << "-2147483648" << kSuccess << 0x80000000u;
    QTest::newRow("eight hex digits") << a1Preset << "0xFFFFFFFF" << kSuccess << 0xFFFFFFFFu;

    QTest::newRow("above int32") << a1Preset << "2147483648" << kDataNotValid << kUntouched;
    QTest::newRow("more than 32 bits") << a1Preset << "0x100000000" << kDataNotValid << kUntouched;
    QTest::newRow("empty value") << a1Preset << "" << kDataNotValid << kUntouched;
    QTest::newRow("signed hex") << a1Preset << "-0x10" << kDataNotValid << kUntouched;
    QTest::newRow("empty address") << "" << "1" << kAddressNotValid << kUntouched;
    QTest::newRow("address too large") << "4294967580" << "1" << kAddressNotValid << kUntouched;
  }
  void entryForms() {
    QFETCH(QString, address);
    QFETCH(QString, value);
    QFETCH(QString, result);
    QFETCH(uint32_t, stored);
    Enter(address, value);
    dialog_->ButtonSend32->click();
    QCOMPARE(dialog_->LabelFuncRtn->text(), result);
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), stored);
  }

  void sixteenBitSendWritesLowHalfAtLowSixteenAddressBits() {
    Enter(QStringLiteral("0x1011C"), QStringLiteral("0x12345678"));
    dialog_->ButtonSend16->click();
    QCOMPARE(dialog_->LabelFuncRtn->text(), kSuccess);
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), (kUntouched & 0xFFFF0000u) | 0x5678u);

    // 0x10110 reaches the A1/A2 control register at 0x110.
    Enter(QStringLiteral("0x10110"), QStringLiteral("0x0004"));
    dialog_->ButtonSend16->click();
    uint16_t control = 0;
    QCOMPARE(ZemtraReadRegisterWord(card_, ZEMTRA_REG_A1_A2_CONTROL, &control), ZEMTRA_SUCCESS);
    QCOMPARE(control, uint16_t{ZEMTRA_CTL12_A1_DIR});
    QCOMPARE(ZemtraWriteRegisterWord(card_, ZEMTRA_REG_A1_A2_CONTROL, 0), ZEMTRA_SUCCESS);
  }

  // Addresses from 0x8000 on become negative offsets; those and offsets past
  // the register window are refused by the library, and the dialog says so.
  void addressesOutsideTheWindow_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("0xFFFE") << "0xFFFE";
    QTest::newRow("0x8000") << "0x8000";
    QTest::newRow("minus two") << "-2";
    QTest::newRow("0x7FFC") << "0x7FFC";
    QTest::newRow("0xFFFFFFFC") << "0xFFFFFFFC";
  }
  void addressesOutsideTheWindow() {
    QFETCH(QString, address);
    Enter(address, QStringLiteral("1"));
    for (QPushButton* button : {dialog_->ButtonRead16, dialog_->ButtonRead32}) {
      button->click();
      QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("Error"));
      ExpectFailure(kBadAddress);
    }
    for (QPushButton* button : {dialog_->ButtonSend16, dialog_->ButtonSend32}) {
      button->click();
      ExpectFailure(kBadAddress);
    }
  }

  // Every 16-bit address, read both ways: the board answers inside its
  // window, the library refuses the rest, and nothing else happens.
  void everyAddressIsReadOrRefused() {
    dialog_->hide();
    for (int address = 0; address <= 0xFFFF; ++address) {
      dialog_->EditAddr->setText(QString::number(address));
      for (QPushButton* button : {dialog_->ButtonRead16, dialog_->ButtonRead32}) {
        button->click();
        const QString result = dialog_->LabelFuncRtn->text();
        const bool negative = address >= 0x8000;
        if (result != kBadAddress && (negative || result != kSuccess))
          QFAIL(qPrintable(QStringLiteral("address %1: %2").arg(address).arg(result)));
      }
    }
  }

  void noBoardAnswersNullForEveryOperation() {
    DeviceHandle none = 0;
    TFormRegAccess dialog(&none);
    dialog.EditAddr->setText(QStringLiteral("0x11C"));
    dialog.EditDataSend->setText(QStringLiteral("1"));
    for (QPushButton* button : {dialog.ButtonSend16, dialog.ButtonSend32, dialog.ButtonRead16, dialog.ButtonRead32}) {
      dialog.LabelFuncRtn->clear();
      button->click();
      QCOMPARE(dialog.LabelFuncRtn->text(), kNullParameter);
      QCOMPARE(TextColor(dialog.LabelFuncRtn), kColorFailure);
    }
    QCOMPARE(dialog.EditDataRcvd->text(), QStringLiteral("Error"));
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), kUntouched);
  }

  void copyAfterFailedReadIsRefusedOnSend() {
    Enter(QStringLiteral("0x11"));
    dialog_->ButtonRead16->click();
    dialog_->ButtonCopy->click();
    QCOMPARE(dialog_->EditDataSend->text(), QStringLiteral("Error"));

    dialog_->EditAddr->setText(QStringLiteral("0x11C"));
    dialog_->ButtonSend32->click();
    ExpectFailure(kDataNotValid);
    QCOMPARE(ReadLong(ZEMTRA_REG_A1_PRESET), kUntouched);
  }

  // The dialog reads the main window's handle at each operation: closing and
  // reopening the card while it is open is followed without reopening it.
  void followsCardReselection() {
    QTest::mouseClick(Address(QStringLiteral("0x112")), Qt::LeftButton);
    QCOMPARE(dialog_->Panel16->Color(), kColorBitSet);

    QCOMPARE(ZemtraClose(&card_), ZEMTRA_SUCCESS);
    QCOMPARE(card_, DeviceHandle{0});
    dialog_->ButtonRead16->click();
    ExpectFailure(kNullParameter);
    QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("Error"));
    // A failed read of a selected 16-bit register shows no bit as set.
    for (const TBitPanel* panel : dialog_->BitPanels) QCOMPARE(panel->Color(), ButtonFace());
    QCOMPARE(dialog_->Panel16->Caption(), QStringLiteral("A2 No Sig"));

    QCOMPARE(ZemtraOpen(nullptr, &card_, nullptr), ZEMTRA_SUCCESS);
    dialog_->ButtonRead16->click();
    QCOMPARE(dialog_->LabelFuncRtn->text(), kSuccess);
    QCOMPARE(dialog_->Panel16->Color(), kColorBitSet);
  }

  void wordReadOfWideRegisterLeavesPanelsPlain() {
    QTest::mouseClick(Address(QStringLiteral("0x11C")), Qt::LeftButton);
    dialog_->ButtonRead16->click();
    QCOMPARE(dialog_->EditDataRcvd->text(), QStringLiteral("0x5A5A"));
    for (const TBitPanel* panel : dialog_->BitPanels) QCOMPARE(panel->Color(), ButtonFace());
  }
};

QTEST_MAIN(RegAccessOperations)
#include "regaccess_operations_test.moc"
