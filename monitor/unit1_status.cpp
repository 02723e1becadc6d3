// Status and error indicators: glitch and no-signal flags of the axes and the
// reference, the Data and Error indicators of the axes, clearing them, and the
// no-card state of the whole window.
#include "unit1.h"
#include "unit1_panels.h"
#include "zemtra_registers.h"

using unit1::CallReported;
using unit1::Paint;

namespace {

struct FlagIndicator {
  TLabel* TForm1::*label;
  uint16_t bit;
};

// Glitch and no-signal indicators, in painting order, with their status-word bit.
const FlagIndicator kSignalIndicators[] = {
    {&TForm1::LabelNoSig1, ZEMTRA_STATUS_A1_NOSIG},   {&TForm1::LabelGlitch1, ZEMTRA_STATUS_A1_GLITCH},
    {&TForm1::LabelNoSig2, ZEMTRA_STATUS_A2_NOSIG},   {&TForm1::LabelGlitch2, ZEMTRA_STATUS_A2_GLITCH},
    {&TForm1::LabelNoSig3, ZEMTRA_STATUS_A3_NOSIG},   {&TForm1::LabelGlitch3, ZEMTRA_STATUS_A3_GLITCH},
    {&TForm1::LabelNoSigRef, ZEMTRA_STATUS_REF_NOSIG}, {&TForm1::LabelGlitchRef, ZEMTRA_STATUS_REF_GLITCH},
};

// Per axis: its Error and Data indicators with their sample-register bits.
struct DataIndicators {
  TLabel* TForm1::*error;
  uint16_t errorBit;
  TLabel* TForm1::*valid;
  uint16_t validBit;
};
const DataIndicators kDataIndicators[] = {
    {&TForm1::LabelErr1, ZEMTRA_SMP_A1_PRESET, &TForm1::LabelPosValid1, ZEMTRA_SMP_A1_SAMPLE},
    {&TForm1::LabelErr2, ZEMTRA_SMP_A2_PRESET, &TForm1::LabelPosValid2, ZEMTRA_SMP_A2_SAMPLE},
    {&TForm1::LabelErr3, ZEMTRA_SMP_A3_PRESET, &TForm1::LabelPosValid3, ZEMTRA_SMP_A3_SAMPLE},
};

// What a click on an indicator clears: status-word bits, and for the Data and
// Error indicators of an axis also its data error bit in the sample register.
struct ClearAction {
  TLabel* TForm1::*label;
  uint16_t statusMask;
  uint16_t dataErrorBit;
};
constexpr uint16_t kReferenceFlags = ZEMTRA_STATUS_REF_GLITCH | ZEMTRA_STATUS_REF_NOSIG;
constexpr uint16_t kAxis1Flags = ZEMTRA_STATUS_A1_GLITCH | ZEMTRA_STATUS_A1_NOSIG | kReferenceFlags;
constexpr uint16_t kAxis2Flags = ZEMTRA_STATUS_A2_GLITCH | ZEMTRA_STATUS_A2_NOSIG | kReferenceFlags;
constexpr uint16_t kAxis3Flags = ZEMTRA_STATUS_A3_GLITCH | ZEMTRA_STATUS_A3_NOSIG | kReferenceFlags;
const ClearAction kClearActions[] = {
    {&TForm1::LabelGlitch1, ZEMTRA_STATUS_A1_GLITCH, 0},
    {&TForm1::LabelNoSig1, ZEMTRA_STATUS_A1_NOSIG, 0},
    {&TForm1::LabelGlitch2, ZEMTRA_STATUS_A2_GLITCH, 0},
    {&TForm1::LabelNoSig2, ZEMTRA_STATUS_A2_NOSIG, 0},
    {&TForm1::LabelGlitch3, ZEMTRA_STATUS_A3_GLITCH, 0},
    {&TForm1::LabelNoSig3, ZEMTRA_STATUS_A3_NOSIG, 0},
    {&TForm1::LabelGlitchRef, ZEMTRA_STATUS_REF_GLITCH, 0},
    {&TForm1::LabelNoSigRef, ZEMTRA_STATUS_REF_NOSIG, 0},
    {&TForm1::LabelErr1, kAxis1Flags, ZEMTRA_SMP_A1_PRESET},
    {&TForm1::LabelPosValid1, kAxis1Flags, ZEMTRA_SMP_A1_PRESET},
    {&TForm1::LabelErr2, kAxis2Flags, ZEMTRA_SMP_A2_PRESET},
    {&TForm1::LabelPosValid2, kAxis2Flags, ZEMTRA_SMP_A2_PRESET},
    {&TForm1::LabelErr3, kAxis3Flags, ZEMTRA_SMP_A3_PRESET},
    {&TForm1::LabelPosValid3, kAxis3Flags, ZEMTRA_SMP_A3_PRESET},
};

// Register readouts cut back to their names when no card is open.
struct ReadoutName {
  QLabel* TForm1::*label;
  int length;
};
const ReadoutName kReadoutNames[] = {
    {&TForm1::LabelID1, 3},      {&TForm1::LabelID2, 3},      {&TForm1::LabelRev1, 4},
    {&TForm1::LabelRev2, 4},     {&TForm1::LabelPreset1, 8},  {&TForm1::LabelPreset2, 8},
    {&TForm1::LabelPreset3, 8},  {&TForm1::LabelStatusX, 7},  {&TForm1::LabelStatusY, 7},
    {&TForm1::LabelConfigX, 7},  {&TForm1::LabelConfigY, 7},  {&TForm1::LabelIntrMask, 11},
    {&TForm1::LabelSampReg, 7},  {&TForm1::LabelFilter, 7},
};

// The labels the no-card state greys, in this order.
TLabel* TForm1::* const kBlankedLabels[] = {
    &TForm1::LabelPosData1,     &TForm1::LabelPosData2,     &TForm1::LabelPosData3,
    &TForm1::LabelVelData1,     &TForm1::LabelVelData2,     &TForm1::LabelVelData3,
    &TForm1::LabelGlitch1,      &TForm1::LabelGlitch2,      &TForm1::LabelGlitch3,
    &TForm1::LabelGlitchRef,    &TForm1::LabelNoSig1,       &TForm1::LabelNoSig2,
    &TForm1::LabelNoSig3,       &TForm1::LabelNoSigRef,     &TForm1::LabelIntrGlitch1,
    &TForm1::LabelIntrGlitch2,  &TForm1::LabelIntrGlitch3,  &TForm1::LabelIntrGlitchRef,
    &TForm1::LabelIntrNoSig1,   &TForm1::LabelIntrNoSig2,   &TForm1::LabelIntrNoSig3,
    &TForm1::LabelIntrNoSigRef, &TForm1::LabelPosValid1,    &TForm1::LabelPosValid2,
    &TForm1::LabelPosValid3,    &TForm1::LabelErr1,         &TForm1::LabelErr2,
    &TForm1::LabelErr3,         &TForm1::LabelDir1,         &TForm1::LabelDir2,
    &TForm1::LabelDir3,
};

void ShowStatusRegister(TForm1& form, int32_t offset, QLabel* readout) {
  uint16_t word = 0;
  const bool valid = CallReported(form, "ZemtraReadRegisterWord",
                                  [&] { return ZemtraReadRegisterWord(form.CardHandle, offset, &word); }) == 0;
  unit1::SetText(readout, unit1::Readout("Status: ", valid, word, 4));
}

}  // namespace

void TForm1::RefreshSignalStatus() {
  ClearErrorLine();
  ShowStatusRegister(*this, ZEMTRA_REG_A1_A2_STATUS, LabelStatusX);
  ShowStatusRegister(*this, ZEMTRA_REG_A3_REF_STATUS, LabelStatusY);
  for (const FlagIndicator& indicator : kSignalIndicators) {
    const bool set = (StatusWord & indicator.bit) != 0;
    Paint(this->*indicator.label, set ? QStringLiteral("ERR") : QStringLiteral("OK"), set ? kColorFault : kColorGood);
  }
}

void TForm1::RefreshDataStatus() {
  uint16_t word = 0;
  // A failed read keeps the previous word, and the indicators repeat it.
  if (CallReported(*this, "ZemtraReadRegisterWord",
                   [&] { return ZemtraReadRegisterWord(CardHandle, ZEMTRA_REG_SAMPLE, &word); }) == 0) {
    SampleWord = word;
  }
  unit1::SetText(LabelSampReg, unit1::Readout("Sample: ", true, SampleWord, 4));
  for (const DataIndicators& axis : kDataIndicators) {
    const bool error = (SampleWord & axis.errorBit) != 0;
    Paint(this->*axis.error, error ? QStringLiteral("Error") : QStringLiteral("OK"), error ? kColorFault : kColorGood);
    const bool valid = (SampleWord & axis.validBit) != 0;
    Paint(this->*axis.valid, valid ? QStringLiteral("Valid") : QStringLiteral("Invalid"),
          valid ? kColorGood : kColorFault);
  }
}

void TForm1::ClearStatus(uint16_t mask) {
  ClearErrorLine();
  CallReported(*this, "ZemtraClearStatusBits", [&] { return ZemtraClearStatusBits(CardHandle, mask, &StatusWord); });
  RefreshSignalStatus();
  RefreshDataStatus();
}

void TForm1::LabelStatusClick(QObject* Sender) {
  for (const ClearAction& action : kClearActions) {
    if (Sender != this->*action.label) continue;
    // Decided from what the user sees, before the clear re-reads the register.
    const uint16_t dataError = SampleWord & action.dataErrorBit;
    ClearStatus(action.statusMask);
    if (dataError != 0) {
      CallReported(*this, "ZemtraWriteRegisterWord",
                   [&] { return ZemtraWriteRegisterWord(CardHandle, ZEMTRA_REG_SAMPLE, dataError); });
      ClearStatus(0);
    }
    return;
  }
}

void TForm1::LabelPosValidClick(QObject* Sender) {
  LabelStatusClick(Sender);
  ButtonSampleClick(Sender);
}

void TForm1::ButtonClearStatusAllClick(QObject* /*Sender*/) {
  ClearErrorLine();
  CallReported(*this, "ZemtraClearStatusAll", [this] { return ZemtraClearStatusAll(CardHandle, &StatusWord); });
  RefreshSignalStatus();
  RefreshDataStatus();
}

void TForm1::BlankPanels() {
  for (const ReadoutName& readout : kReadoutNames) {
    QLabel* label = this->*readout.label;
    label->setText(label->text().left(readout.length));
  }
  for (TLabel* TForm1::*member : kBlankedLabels) Paint(this->*member, QString(), kColorNone);
}
