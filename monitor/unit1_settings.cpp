// Direction, interrupt and filter controls. The board is the only store of
// these settings: a click reads the current word, changes only its own bits,
// writes it back and shows the group as the board then holds it. A refresh
// only reads; setting the filter controls from the board runs no click action.
#include <QCheckBox>
#include <algorithm>
#include <iterator>

#include "unit1.h"
#include "unit1_panels.h"
#include "zemtra_registers.h"

using unit1::CallReported;
using unit1::Paint;

namespace {

struct BitIndicator {
  TLabel* TForm1::*label;
  uint16_t bit;
};

const BitIndicator kDirectionIndicators[] = {
    {&TForm1::LabelDir1, ZEMTRA_CONFIG_A1_DIR},
    {&TForm1::LabelDir2, ZEMTRA_CONFIG_A2_DIR},
    {&TForm1::LabelDir3, ZEMTRA_CONFIG_A3_DIR},
};

// Interrupt enables in painting order, with their interrupt-mask bit.
const BitIndicator kInterruptIndicators[] = {
    {&TForm1::LabelIntrGlitch1, ZEMTRA_IM_A1_GLITCH},     {&TForm1::LabelIntrNoSig1, ZEMTRA_IM_A1_NOSIG},
    {&TForm1::LabelIntrGlitch2, ZEMTRA_IM_A2_GLITCH},     {&TForm1::LabelIntrNoSig2, ZEMTRA_IM_A2_NOSIG},
    {&TForm1::LabelIntrGlitch3, ZEMTRA_IM_A3_GLITCH},     {&TForm1::LabelIntrNoSig3, ZEMTRA_IM_A3_NOSIG},
    {&TForm1::LabelIntrGlitchRef, ZEMTRA_IM_REF_GLITCH}, {&TForm1::LabelIntrNoSigRef, ZEMTRA_IM_REF_NOSIG},
};

uint16_t BitFor(const TForm1& form, const QObject* sender, const BitIndicator* begin, const BitIndicator* end) {
  for (const BitIndicator* indicator = begin; indicator != end; ++indicator) {
    if (sender == form.*indicator->label) return indicator->bit;
  }
  return 0;
}

// A 16-bit register readout: caption, "0x" and the word, or "?" digits when
// the read failed.
void ShowRegisterWord(TForm1& form, int32_t offset, QLabel* readout, const char* caption, int digits) {
  uint16_t word = 0;
  const bool valid = CallReported(form, "ZemtraReadRegisterWord",
                                  [&] { return ZemtraReadRegisterWord(form.CardHandle, offset, &word); }) == 0;
  unit1::SetText(readout, unit1::Readout(caption, valid, word, digits));
}

// Reads the filter word, puts `field` in place of the bits of `mask` and
// writes it back; then shows the group as the board holds it.
void ChangeFilter(TForm1& form, uint16_t mask, uint16_t field) {
  form.ClearErrorLine();
  uint16_t word = 0;
  if (CallReported(form, "ZemtraGetFilter", [&] { return ZemtraGetFilter(form.CardHandle, &word); }) == 0) {
    const uint16_t changed = static_cast<uint16_t>((word & ~mask) | (field & mask));
    CallReported(form, "ZemtraSetFilter", [&] { return ZemtraSetFilter(form.CardHandle, changed); });
  }
  form.RefreshFilter();
}

uint16_t ShiftedItem(const TRadioGroup* group, int shift) {
  return static_cast<uint16_t>(std::max(group->ItemIndex(), 0) << shift);
}

}  // namespace

void TForm1::RefreshConfig() {
  ClearErrorLine();
  ShowRegisterWord(*this, ZEMTRA_REG_A1_A2_CONTROL, LabelConfigX, "Config: ", 4);
  ShowRegisterWord(*this, ZEMTRA_REG_A3_IRQ_CONTROL, LabelConfigY, "Config: ", 4);
  CallReported(*this, "ZemtraGetConfig", [this] { return ZemtraGetConfig(CardHandle, &ConfigWord); });
  for (const BitIndicator& indicator : kDirectionIndicators) {
    const bool negative = (ConfigWord & indicator.bit) != 0;
    Paint(this->*indicator.label, negative ? QStringLiteral("Negative") : QStringLiteral("Positive"),
          negative ? kColorOff : kColorGood);
  }
  const bool enabled = (ConfigWord & ZEMTRA_CONFIG_IRQ_ENABLE) != 0;
  Paint(LabelGlobalIntr, enabled ? QStringLiteral("Enabled") : QStringLiteral("Disabled"),
        enabled ? kColorGood : kColorOff);
}

void TForm1::RefreshInterruptMask() {
  ClearErrorLine();
  ShowRegisterWord(*this, ZEMTRA_REG_INTERRUPT_MASK, LabelIntrMask, "Intr. Mask: ", 4);
  CallReported(*this, "ZemtraGetInterruptMask",
               [this] { return ZemtraGetInterruptMask(CardHandle, &InterruptMaskWord); });
  for (const BitIndicator& indicator : kInterruptIndicators) {
    const bool enabled = (InterruptMaskWord & indicator.bit) != 0;
    Paint(this->*indicator.label, enabled ? QStringLiteral("Yes") : QStringLiteral("No"),
          enabled ? kColorGood : kColorOff);
  }
}

void TForm1::RefreshFilter() {
  ClearErrorLine();
  ShowRegisterWord(*this, ZEMTRA_REG_FILTER, LabelFilter, "Filter: ", 8);
  CallReported(*this, "ZemtraGetFilter", [this] { return ZemtraGetFilter(CardHandle, &FilterWord); });
  // Neither setter runs a click action, so showing the board never writes to it.
  CheckBoxFilterEnb->setChecked((FilterWord & ZEMTRA_FILTER_ENABLE) != 0);
  RadioGroupKV->SetItemIndex((FilterWord & ZEMTRA_FILTER_KV_MASK) >> ZEMTRA_FILTER_KV_SHIFT);
  RadioGroupKp->SetItemIndex((FilterWord & ZEMTRA_FILTER_KP_MASK) >> ZEMTRA_FILTER_KP_SHIFT);
}

void TForm1::ToggleConfigBits(uint16_t mask) {
  ClearErrorLine();
  uint16_t word = 0;
  if (CallReported(*this, "ZemtraGetConfig", [&] { return ZemtraGetConfig(CardHandle, &word); }) == 0) {
    CallReported(*this, "ZemtraSetConfig",
                 [&] { return ZemtraSetConfig(CardHandle, static_cast<uint16_t>(word ^ mask)); });
  }
  RefreshConfig();
}

void TForm1::ToggleInterruptMaskBits(uint16_t mask) {
  ClearErrorLine();
  uint16_t word = 0;
  if (CallReported(*this, "ZemtraGetInterruptMask", [&] { return ZemtraGetInterruptMask(CardHandle, &word); }) ==
      0) {
    CallReported(*this, "ZemtraSetInterruptMask",
                 [&] { return ZemtraSetInterruptMask(CardHandle, static_cast<uint16_t>(word ^ mask)); });
  }
  RefreshInterruptMask();
}

void TForm1::LabelDirClick(QObject* Sender) {
  const uint16_t bit = BitFor(*this, Sender, std::begin(kDirectionIndicators), std::end(kDirectionIndicators));
  if (bit != 0) ToggleConfigBits(bit);
}

void TForm1::LabelIntrClick(QObject* Sender) {
  const uint16_t bit = BitFor(*this, Sender, std::begin(kInterruptIndicators), std::end(kInterruptIndicators));
  if (bit != 0) ToggleInterruptMaskBits(bit);
}

void TForm1::ButtonGlobalIntrClick(QObject* /*Sender*/) { ToggleConfigBits(ZEMTRA_CONFIG_IRQ_ENABLE); }

void TForm1::CheckBoxFilterEnbClick(QObject* /*Sender*/) {
  ChangeFilter(*this, ZEMTRA_FILTER_ENABLE, CheckBoxFilterEnb->isChecked() ? ZEMTRA_FILTER_ENABLE : 0);
}

void TForm1::RadioGroupKVClick(QObject* /*Sender*/) {
  ChangeFilter(*this, ZEMTRA_FILTER_KV_MASK, ShiftedItem(RadioGroupKV, ZEMTRA_FILTER_KV_SHIFT));
}

void TForm1::RadioGroupKpClick(QObject* /*Sender*/) {
  ChangeFilter(*this, ZEMTRA_FILTER_KP_MASK, ShiftedItem(RadioGroupKp, ZEMTRA_FILTER_KP_SHIFT));
}
