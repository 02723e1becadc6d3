// The Info group, the identification and preset register readouts, and the
// preset entry boxes that follow the preset registers.
#include "unit1.h"
#include "unit1_panels.h"
#include "zemtra_registers.h"

using unit1::CallReported;
using unit1::kAxes;

namespace {

QLabel* TForm1::* const kPresetReadouts[unit1::kAxisCount] = {&TForm1::LabelPreset1, &TForm1::LabelPreset2,
                                                                &TForm1::LabelPreset3};
const char* const kPresetCaptions[unit1::kAxisCount] = {"Preset1: ", "Preset2: ", "Preset3: "};

// The window's keyboard focus, kept while a message box of the window is open,
// so that a box being checked is not rewritten underneath the question.
bool HasFocus(const QWidget* box) { return box->window()->focusWidget() == box; }

}  // namespace

void TForm1::RefreshFpgaIdentity() {
  uint32_t first = 0;
  uint32_t second = 0;
  bool valid = CallReported(*this, "ZemtraGetFPGAIds",
                            [&] { return ZemtraGetFPGAIds(CardHandle, &first, &second); }) == 0;
  unit1::SetText(LabelID1, unit1::Readout("ID: ", valid, first, 8));
  unit1::SetText(LabelID2, unit1::Readout("ID: ", valid, second, 8));
  valid = CallReported(*this, "ZemtraGetFPGARevs", [&] { return ZemtraGetFPGARevs(CardHandle, &first, &second); }) == 0;
  unit1::SetText(LabelRev1, unit1::Readout("Rev: ", valid, first, 8));
  unit1::SetText(LabelRev2, unit1::Readout("Rev: ", valid, second, 8));
}

void TForm1::RefreshCardInfo() {
  const int32_t libraryRevision = ZemtraGetLibraryRev();
  ClearErrorLine();
  uint16_t hardware = 0;
  const bool valid = CallReported(*this, "ZemtraGetHdwRev", [&] { return ZemtraGetHdwRev(CardHandle, &hardware); }) == 0;
  unit1::SetText(LabelPciBus, QStringLiteral("PCI Bus: ") + QString::number(CardLocation.bus));
  unit1::SetText(LabelPciSlot, QStringLiteral("PCI Slot: ") + QString::number(CardLocation.slot));
  unit1::SetText(LabelHdwRev, unit1::Readout("Hdw Rev: ", valid, static_cast<uint32_t>(hardware >> 8), 2));
  unit1::SetText(LabelApiRev, unit1::Readout("API Rev: ", true, static_cast<uint32_t>(libraryRevision), 2));
}

void TForm1::RefreshPresetRegisters() {
  ClearErrorLine();
  for (size_t i = 0; i < PresetValue.size(); ++i) {
    uint32_t value = 0;
    // A failed read keeps the previous value in the readout and the box.
    if (CallReported(*this, "ZemtraReadRegisterLong", [&] {
          return ZemtraReadRegisterLong(CardHandle, ZemtraAxisRegisters[i].presetRegister, &value);
        }) == 0) {
      PresetValue[i] = static_cast<int32_t>(value);
    }
  }
  for (size_t i = 0; i < PresetValue.size(); ++i) {
    unit1::SetText(this->*kPresetReadouts[i],
                   unit1::Readout(kPresetCaptions[i], true, static_cast<uint32_t>(PresetValue[i]), 8));
  }
  for (const unit1::AxisControls& axis : kAxes) {
    TEdit* box = this->*axis.presetBox;
    if (!HasFocus(box)) box->setModified(false);
  }
  for (size_t i = 0; i < PresetValue.size(); ++i) {
    TEdit* box = this->*kAxes[i].presetBox;
    if (!box->isModified()) ShowPositionValue(box, PresetValue[i], FoldFactor[i]);
  }
}
