#include "regaccess.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "display_units.h"
#include "number_entry.h"

TFormRegAccess* FormRegAccess = nullptr;

const std::array<TBitPanel* TFormRegAccess::*, regaccess::kBitCount> TFormRegAccess::kPanelMembers = {
    &TFormRegAccess::Panel1,  &TFormRegAccess::Panel2,  &TFormRegAccess::Panel3,
    &TFormRegAccess::Panel4,  &TFormRegAccess::Panel5,  &TFormRegAccess::Panel6,
    &TFormRegAccess::Panel7,  &TFormRegAccess::Panel8,  &TFormRegAccess::Panel9,
    &TFormRegAccess::Panel10, &TFormRegAccess::Panel11, &TFormRegAccess::Panel12,
    &TFormRegAccess::Panel13, &TFormRegAccess::Panel14, &TFormRegAccess::Panel15,
    &TFormRegAccess::Panel16};

namespace {

constexpr int kWordDigits = 4;
constexpr int kLongDigits = 8;

ErrorCode ReadWord(DeviceHandle handle, int32_t address, uint32_t* value) {
  uint16_t word = 0;
  const ErrorCode code = ZemtraReadRegisterWord(handle, address, &word);
  *value = word;
  return code;
}

ErrorCode WriteWord(DeviceHandle handle, int32_t address, uint32_t value) {
  return ZemtraWriteRegisterWord(handle, address, static_cast<uint16_t>(value));
}

std::optional<int32_t> ParseBox(const QLineEdit* box) {
  return zemtra::units::ParseInteger(box->text().toStdString());
}

}  // namespace

TFormRegAccess::TFormRegAccess(const DeviceHandle* cardHandle, QWidget* parent)
    : QDialog(parent), CardHandle(cardHandle) {
  BuildControls();
  FormCreate(this);
}

void TFormRegAccess::FormCreate(QObject*) {
  setWindowTitle(QStringLiteral("Zemtra Direct Register Access"));
  SelectedMapEntry = nullptr;
  for (int i = 0; i < regaccess::kBitCount; ++i) BitPanels[i] = this->*kPanelMembers[i];
  RegisterNameTable = regaccess::BuildRegisterNameTable();
  BitDefinitionTable = regaccess::BuildBitDefinitionTable();
  for (TRegisterLabel* label : AddressLabels) label->SetColor(palette().color(QPalette::Window));
  ClearBitDefinitions();
}

// ---- Reading the boxes and showing results ---------------------------------

DeviceHandle TFormRegAccess::CurrentHandle() const { return CardHandle ? *CardHandle : 0; }

std::optional<int32_t> TFormRegAccess::AddressFromBox() {
  const std::optional<int32_t> entered = ParseBox(EditAddr);
  if (!entered) {
    ShowFailure(QStringLiteral("Address not valid"));
    return std::nullopt;
  }
  // The low 16 bits, widened with their sign: 0x8000 and above reach the
  // library as negative offsets, which it refuses.
  return static_cast<int16_t>(static_cast<uint16_t>(*entered));
}

std::optional<uint32_t> TFormRegAccess::ValueFromBox() {
  const std::optional<int32_t> entered = ParseBox(EditDataSend);
  if (!entered) {
    ShowFailure(QStringLiteral("Data not valid"));
    return std::nullopt;
  }
  return static_cast<uint32_t>(*entered);
}

void TFormRegAccess::ShowFailure(const QString& text) {
  LabelFuncRtn->setText(text);
  QPalette red = LabelFuncRtn->palette();
  red.setColor(QPalette::WindowText, kColorFailure);
  LabelFuncRtn->setPalette(red);
}

void TFormRegAccess::ShowResult(ErrorCode code) {
  if (code != ZEMTRA_SUCCESS) {
    ShowFailure(QString::fromLatin1(ZemtraGetErrStr(code)));
    return;
  }
  LabelFuncRtn->setText(QString::fromLatin1(ZemtraGetErrStr(code)));
  LabelFuncRtn->setPalette(palette());
}

// ---- Sending and reading -----------------------------------------------------

void TFormRegAccess::Send(RegisterWriter write) {
  EditDataRcvd->clear();
  const std::optional<int32_t> address = AddressFromBox();
  if (!address) return;
  const std::optional<uint32_t> value = ValueFromBox();
  if (!value) return;
  ShowResult(write(CurrentHandle(), *address, *value));
}

void TFormRegAccess::ButtonSend16Click(QObject*) { Send(&WriteWord); }

void TFormRegAccess::ButtonSend32Click(QObject*) { Send(&ZemtraWriteRegisterLong); }

std::optional<TFormRegAccess::ReadOutcome> TFormRegAccess::ReadIntoReceivedBox(RegisterReader read,
                                                                               int digits) {
  const std::optional<int32_t> address = AddressFromBox();
  if (!address) return std::nullopt;
  uint32_t value = 0;
  const ErrorCode code = read(CurrentHandle(), *address, &value);
  EditDataRcvd->setText(
      code == ZEMTRA_SUCCESS
          ? QString::fromStdString(zemtra::units::FormatRawValue(static_cast<int32_t>(value), true, digits))
          : QStringLiteral("Error"));
  ShowResult(code);
  return ReadOutcome{code, value};
}

void TFormRegAccess::ButtonRead16Click(QObject*) {
  const std::optional<ReadOutcome> outcome = ReadIntoReceivedBox(&ReadWord, kWordDigits);
  if (!outcome || !SelectedMapEntry) return;
  // A 32-bit register has no bit definitions, and a failed read delivers no
  // value: in both cases no bit is shown as set.
  const bool hasBits = SelectedMapEntry->Kind < regaccess::kDefinedKindCount;
  PaintBits(hasBits && outcome->code == ZEMTRA_SUCCESS ? std::optional<uint16_t>(outcome->value)
                                                       : std::nullopt);
}

void TFormRegAccess::ButtonRead32Click(QObject*) {
  ReadIntoReceivedBox(&ZemtraReadRegisterLong, kLongDigits);
}

void TFormRegAccess::ButtonCopyClick(QObject*) { EditDataSend->setText(EditDataRcvd->text()); }

// ---- The register map and the bit panels --------------------------------------

void TFormRegAccess::PaintBits(std::optional<uint16_t> value) {
  const QColor buttonFace = palette().color(QPalette::Button);
  for (int i = 0; i < regaccess::kBitCount; ++i) {
    const int bit = regaccess::kBitCount - 1 - i;
    const bool set = value && (*value >> bit & 1);
    BitPanels[i]->SetColor(set ? kColorBitSet : buttonFace);
  }
}

void TFormRegAccess::ClearBitDefinitions() {
  LabelRegisterName->clear();
  DefinitionsShown = false;
  for (TBitPanel* panel : BitPanels) panel->SetCaption(QString());
  PaintBits(std::nullopt);
}

void TFormRegAccess::ReleaseSelection() {
  if (SelectedMapEntry) SelectedMapEntry->SetColor(palette().color(QPalette::Window));
  SelectedMapEntry = nullptr;
}

void TFormRegAccess::LabelRegDefClick(QObject* Sender) {
  auto* label = qobject_cast<TRegisterLabel*>(Sender);
  if (!label) return;
  ReleaseSelection();
  SelectedMapEntry = label;
  label->SetColor(kColorSelectedAddress);

  EditAddr->setText(label->text());
  // Leave the address box, so that going back into it counts as entering it.
  if (EditAddr->hasFocus()) EditDataSend->setFocus(Qt::OtherFocusReason);

  if (label->Kind >= regaccess::kDefinedKindCount) {
    ClearBitDefinitions();
    ButtonRead32Click(Sender);
    return;
  }
  LabelRegisterName->setText(RegisterNameTable[label->Kind] + QStringLiteral(" Bit Definitions"));
  DefinitionsShown = true;
  for (int i = 0; i < regaccess::kBitCount; ++i) BitPanels[i]->SetCaption(BitDefinitionTable[label->Kind][i]);
  PaintBits(std::nullopt);
  ButtonRead16Click(Sender);
}

void TFormRegAccess::EditAddrEnter(QObject*) {
  ReleaseSelection();
  if (DefinitionsShown) ClearBitDefinitions();
}

bool TFormRegAccess::eventFilter(QObject* watched, QEvent* event) {
  if (watched == EditAddr && event->type() == QEvent::FocusIn) {
    // Entering means coming from another control of the dialog, not the
    // dialog getting the focus back from another window or a popup menu.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) EditAddrEnter(EditAddr);
  }
  return QDialog::eventFilter(watched, event);
}

// ---- Showing and closing ------------------------------------------------------

void TFormRegAccess::ButtonShowHideClick(QObject*) {
  const bool showMap = ShowHideFlag != 0;
  ShowHideFlag = showMap ? 0 : 1;
  ButtonShowHide->setText(showMap ? QStringLiteral("Hide Addr Map") : QStringLiteral("Show Addr Map"));
  // The border is fixed: only this button changes the width.
  setFixedSize(showMap ? kMaxWidth : kMinWidth, height());
  // The parts of the bit display that would still fall inside the narrow form.
  for (QWidget* part : {static_cast<QWidget*>(UpperBitsLbl), static_cast<QWidget*>(LowerBitsLbl),
                        static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel9)})
    part->setVisible(showMap);
}

void TFormRegAccess::ButtonCloseClick(QObject*) { close(); }
