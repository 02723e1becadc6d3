#include <QComboBox>
#include <QRadioButton>
#include <QTimer>

#include "cardselect.h"
#include "splash.h"
#include "unit1.h"
#include "zemtra_registers.h"

namespace {

constexpr int32_t kGenuineBoardId = ZEMTRA_BOARD_ID;
constexpr unsigned kOpenRetryStyle = MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2;
constexpr unsigned kOpenWarningStyle = MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2;

}  // namespace

void TForm1::Timer3Timer(QObject*) {
  Timer3->stop();
  FormSplash->hide();
  StartCardConnection();
  if (RadioButtonUpdateAuto->isChecked())
    RadioButtonUpdateAutoClick(RadioButtonUpdateAuto);
  else
    RadioButtonUpdateManualClick(RadioButtonUpdateManual);
  setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
}

void TForm1::StartCardConnection() {
  CardOpen = false;
  UpdateInProgress = false;
  CardCount = 0;
  CardIndex = -1;
  if (FindCards() && CardCount > 1) ChooseCard();
  OpenCard();
  InitCardDisplay();
}

bool TForm1::FindCards() {
  LastFunction = "ZemtraFind";
  LastError = ZemtraFind(nullptr, &CardCount, CardList.data(), CardList.size());
  if (LastError != 0) ReportApiResult();
  // Entries written before a failure are not trusted.
  if (LastError != 0) CardCount = 0;
  if (CardCount == 0) return false;
  for (uint32_t i = 0; i < CardCount; ++i)
    FormSelectCard->ComboBoxCard->addItem(CardEntryText(CardList[i].bus, CardList[i].slot));
  return true;
}

void TForm1::ChooseCard() {
  QComboBox* list = FormSelectCard->ComboBoxCard;
  const bool known = CardIndex >= 0 && static_cast<uint32_t>(CardIndex) < CardCount;
  list->setCurrentIndex(known ? CardIndex : 0);
  const int result = SelectCardAnswerer ? SelectCardAnswerer() : FormSelectCard->exec();
  if (result != mrOk) return;
  const int chosen = list->currentIndex();
  if (chosen < 0) return;
  if (static_cast<uint32_t>(chosen) < CardCount) CardIndex = chosen;
}

void TForm1::OpenCard() {
  ZemtraDefaultDevice(&CardLocation);
  ClearErrorLine();
  if (CardIndex >= 0) CardLocation = CardList[CardIndex];

  int32_t boardId = 0;
  for (;;) {
    LastFunction = "ZemtraOpen";
    LastError = ZemtraOpen(&CardLocation, &CardHandle, &boardId);
    if (LastError != 0) ReportApiResult();
    if (LastError == 0) break;
    CardOpen = false;
    const int answer = ShowMessageBox(QStringLiteral("Unable to Open Zemtra Card."),
                                      QStringLiteral("ZemtraMonitor: Error Opening Card"),
                                      kOpenRetryStyle);
    if (answer != mrRetry) break;
  }

  if (LastError == 0) {
    CardOpen = true;
    if (boardId != kGenuineBoardId &&
        ShowMessageBox(QStringLiteral("Card Opened is NOT anZemtra Card."),
                       QStringLiteral("ZemtraMonitor: Open Card Warning"),
                       kOpenWarningStyle) != mrOk) {
      ZemtraClose(&CardHandle);
      ZemtraDefaultDevice(&CardLocation);
      CardOpen = false;
    }
  }

  if (CardOpen)
    setWindowTitle(QString::asprintf(" Kestova Zemtra Monitor: PCI Bus %d, Slot %d, ID N%05X",
                                     CardLocation.bus, CardLocation.slot,
                                     static_cast<unsigned>(boardId)));
  else
    setWindowTitle(QStringLiteral(" Kestova Zemtra Monitor -- CARD NOT OPEN!"));
}

void TForm1::InitCardDisplay() {
  ClearErrorLine();
  const struct {
    int32_t offset;
    TEdit* box;
  } presets[] = {{ZEMTRA_REG_A1_PRESET, EditPresetData1},
                 {ZEMTRA_REG_A2_PRESET, EditPresetData2},
                 {ZEMTRA_REG_A3_PRESET, EditPresetData3}};
  for (const auto& preset : presets) {
    uint32_t value = 0;
    LastFunction = "ZemtraReadRegisterLong";
    LastError = ZemtraReadRegisterLong(CardHandle, preset.offset, &value);
    if (LastError != 0) ReportApiResult();
    // A failed read leaves the box empty rather than showing a value that
    // was never read.
    preset.box->setText(LastError == 0 ? QString::number(static_cast<int32_t>(value))
                                       : QString());
  }
  RefreshCardInfo();
  if (CardOpen)
    ButtonUpdateClick(this);
  else
    BlankPanels();
  emit CardConnectionChanged();
}

void TForm1::SelectCard1Click(QObject*) {
  ChooseCard();
  // The current card is closed whatever the answer; Cancel reopens it.
  ZemtraClose(&CardHandle);
  OpenCard();
  InitCardDisplay();
}
