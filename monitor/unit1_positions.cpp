// Positions and velocities of the three axes, the per-axis sample and read
// actions, the update mode and the full update of the whole window.
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "unit1.h"
#include "unit1_panels.h"
#include "zemtra_registers.h"

using unit1::CallReported;
using unit1::kAxes;

namespace {

enum class Quantity { kPosition, kVelocity };

// A value label after a read: the value on light green, or "Error" on yellow.
void ShowRead(TForm1& form, int axis, Quantity quantity, bool valid, int32_t value) {
  const unit1::AxisControls& controls = kAxes[axis];
  TLabel* label = quantity == Quantity::kPosition ? form.*controls.posData : form.*controls.velData;
  if (!valid) {
    unit1::Paint(label, QStringLiteral("Error"), kColorFault);
    return;
  }
  const uint16_t fold = form.FoldFactor[static_cast<size_t>(axis)];
  if (quantity == Quantity::kPosition) {
    form.ShowPositionValue(label, value, fold);
  } else {
    form.ShowVelocityValue(label, value, fold);
  }
  unit1::Paint(label, label->text(), kColorGood);
}

int16_t LibraryAxis(int axis) { return static_cast<int16_t>(axis); }

void SampleAndRead(TForm1& form, int axis) {
  form.ClearErrorLine();
  int32_t position = 0;
  int32_t velocity = 0;
  const bool valid = CallReported(form, "ZemtraGetRawPosVel", [&] {
                       return ZemtraGetRawPosVel(form.CardHandle, LibraryAxis(axis), &position, &velocity);
                     }) == 0;
  ShowRead(form, axis, Quantity::kPosition, valid, position);
  ShowRead(form, axis, Quantity::kVelocity, valid, velocity);
  form.RefreshDataStatus();
}

bool ReadOne(TForm1& form, int axis, Quantity quantity, int32_t& value) {
  if (quantity == Quantity::kPosition) {
    return CallReported(form, "ZemtraReadRawPos",
                        [&] { return ZemtraReadRawPos(form.CardHandle, LibraryAxis(axis), &value); }) == 0;
  }
  return CallReported(form, "ZemtraReadRawVel",
                      [&] { return ZemtraReadRawVel(form.CardHandle, LibraryAxis(axis), &value); }) == 0;
}

void ReadLatched(TForm1& form, int axis) {
  form.ClearErrorLine();
  for (Quantity quantity : {Quantity::kPosition, Quantity::kVelocity}) {
    int32_t value = 0;
    const bool valid = ReadOne(form, axis, quantity, value);
    ShowRead(form, axis, quantity, valid, value);
  }
}

void Sample(TForm1& form, int axis) {
  CallReported(form, "ZemtraSamplePosVel", [&] { return ZemtraSamplePosVel(form.CardHandle, LibraryAxis(axis)); });
}

// A click on a value label: sample the axis again and read just that value.
void SampleAndReadOne(TForm1& form, int axis, Quantity quantity) {
  form.ClearErrorLine();
  Sample(form, axis);
  int32_t value = 0;
  const bool valid = ReadOne(form, axis, quantity, value);
  ShowRead(form, axis, quantity, valid, value);
  form.RefreshDataStatus();
}

}  // namespace

void TForm1::ButtonUpdateClick(QObject* /*Sender*/) {
  ClearErrorLine();
  UpdateInProgress = true;
  LabelUpdate->setVisible(true);
  // Started only when idle: a running Timer2 keeps its period, so the
  // indicator goes at most 500 ms after the first of several quick updates.
  if (!Timer2->isActive()) Timer2->start();
  if (!CardOpen) {
    unit1::SetText(LabelUpdate, QStringLiteral("Card Not Open"));
    return;
  }
  unit1::SetText(LabelUpdate, QStringLiteral("Updating"));
  RefreshFpgaIdentity();
  RefreshAllPositions();
  RefreshPresetRegisters();
  CallReported(*this, "ZemtraGetStatus", [this] { return ZemtraGetStatus(CardHandle, &StatusWord); });
  RefreshSignalStatus();
  RefreshConfig();
  RefreshInterruptMask();
  RefreshDataStatus();
  RefreshFilter();
  UpdateInProgress = false;
}

void TForm1::RadioButtonUpdateManualClick(QObject* /*Sender*/) {
  Timer1->stop();
  ButtonUpdate->setEnabled(true);
}

void TForm1::RadioButtonUpdateAutoClick(QObject* /*Sender*/) {
  ButtonUpdate->setEnabled(false);
  // A running timer keeps its period; switching to automatic never updates at once.
  if (!Timer1->isActive()) Timer1->start();
}

void TForm1::RefreshAllPositions() {
  std::array<int32_t, unit1::kAxisCount> position{};
  std::array<int32_t, unit1::kAxisCount> velocity{};
  uint16_t sampleStatus = 0;
  const ErrorCode result = CallReported(*this, "ZemtraGetRawPosVelAll", [&] {
    return ZemtraGetRawPosVelAll(CardHandle, &position[0], &velocity[0], &position[1], &velocity[1],
                                 &position[2], &velocity[2], &sampleStatus);
  });
  for (int axis = 0; axis < unit1::kAxisCount; ++axis) {
    const size_t i = static_cast<size_t>(axis);
    const bool valid = result == 0 || (sampleStatus & ZemtraAxisRegisters[i].sampleValid) != 0;
    ShowRead(*this, axis, Quantity::kPosition, valid, position[i]);
    ShowRead(*this, axis, Quantity::kVelocity, valid, velocity[i]);
  }
}

void TForm1::ButtonUpdate1Click(QObject* /*Sender*/) { SampleAndRead(*this, 0); }
void TForm1::ButtonUpdate2Click(QObject* /*Sender*/) { SampleAndRead(*this, 1); }
void TForm1::ButtonUpdate3Click(QObject* /*Sender*/) { SampleAndRead(*this, 2); }

void TForm1::ButtonRead1Click(QObject* /*Sender*/) { ReadLatched(*this, 0); }
void TForm1::ButtonRead2Click(QObject* /*Sender*/) { ReadLatched(*this, 1); }
void TForm1::ButtonRead3Click(QObject* /*Sender*/) { ReadLatched(*this, 2); }

void TForm1::ButtonSampleClick(QObject* Sender) {
  int axis = unit1::AxisOf(*this, Sender, &unit1::AxisControls::sample);
  if (axis < 0) axis = unit1::AxisOf(*this, Sender, &unit1::AxisControls::posValid);
  ClearErrorLine();
  if (axis >= 0) Sample(*this, axis);
  RefreshDataStatus();
}

void TForm1::LabelPosData1Click(QObject* /*Sender*/) { SampleAndReadOne(*this, 0, Quantity::kPosition); }
void TForm1::LabelPosData2Click(QObject* /*Sender*/) { SampleAndReadOne(*this, 1, Quantity::kPosition); }
void TForm1::LabelPosData3Click(QObject* /*Sender*/) { SampleAndReadOne(*this, 2, Quantity::kPosition); }

void TForm1::LabelVelData1Click(QObject* /*Sender*/) { SampleAndReadOne(*this, 0, Quantity::kVelocity); }
void TForm1::LabelVelData2Click(QObject* /*Sender*/) { SampleAndReadOne(*this, 1, Quantity::kVelocity); }
void TForm1::LabelVelData3Click(QObject* /*Sender*/) { SampleAndReadOne(*this, 2, Quantity::kVelocity); }
