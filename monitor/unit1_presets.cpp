// Preset entry boxes and the preset actions: a typed value is checked, written
// to the axis's preset register on leaving the box, and loaded into the
// position by the preset buttons.
#include <QByteArray>

#include "number_entry.h"
#include "unit1.h"
#include "unit1_panels.h"
#include "zemtra_registers.h"

using unit1::CallReported;
using unit1::kAxes;

namespace {

const char* const kBoxNames[unit1::kAxisCount] = {"Axis 1 Preset entry box", "Axis 2 Preset entry box",
                                                  "Axis 3 Preset entry box"};

bool ValidateBox(TForm1& form, int axis) {
  return form.ValidatePresetEntry(form.*kAxes[axis].presetBox, form.PresetValue[static_cast<size_t>(axis)],
                                  QString::fromLatin1(kBoxNames[axis]));
}

void LeaveBox(TForm1& form, int axis) {
  if (!ValidateBox(form, axis)) return;
  form.ClearErrorLine();
  const size_t i = static_cast<size_t>(axis);
  CallReported(form, "ZemtraWriteRegisterLong", [&] {
    return ZemtraWriteRegisterLong(form.CardHandle, ZemtraAxisRegisters[i].presetRegister,
                                   static_cast<uint32_t>(form.PresetValue[i]));
  });
  form.RefreshPresetRegisters();
}

void PresetAxis(TForm1& form, int axis) {
  form.ClearErrorLine();
  if (!ValidateBox(form, axis)) return;
  CallReported(form, "ZemtraPresetRaw", [&] {
    return ZemtraPresetRaw(form.CardHandle, static_cast<int16_t>(axis), form.PresetValue[static_cast<size_t>(axis)],
                           &form.StatusWord);
  });
  form.ClearStatus(0);
  const unit1::AxisControls& controls = kAxes[axis];
  TLabel* position = form.*controls.posData;
  (form.*controls.posDataClick)(position);
}

bool IsEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

bool TForm1::ValidatePresetEntry(TEdit* box, int32_t& value, const QString& boxName) {
  const int32_t oldValue = value;
  const QByteArray text = box->text().toUtf8();
  if (const auto number = zemtra::units::ParseInteger({text.constData(), static_cast<size_t>(text.size())})) {
    value = *number;
    box->setModified(false);
    return true;
  }
  const int answer = ShowMessageBox(QStringLiteral("Invalid number in ") + boxName + QStringLiteral(".  Restore?"),
                                    QStringLiteral("Invalid Data"), MB_OKCANCEL | MB_ICONEXCLAMATION);
  if (answer == mrOk) box->setText(QString::number(oldValue));
  value = oldValue;
  return false;
}

void TForm1::EditPresetData1KeyDown(QObject* /*Sender*/, int key, Qt::KeyboardModifiers /*shift*/) {
  if (IsEnter(key)) EditPresetData1Exit(EditPresetData1);
}
void TForm1::EditPresetData2KeyDown(QObject* /*Sender*/, int key, Qt::KeyboardModifiers /*shift*/) {
  if (IsEnter(key)) EditPresetData2Exit(EditPresetData2);
}
void TForm1::EditPresetData3KeyDown(QObject* /*Sender*/, int key, Qt::KeyboardModifiers /*shift*/) {
  if (IsEnter(key)) EditPresetData3Exit(EditPresetData3);
}

void TForm1::EditPresetData1Exit(QObject* /*Sender*/) { LeaveBox(*this, 0); }
void TForm1::EditPresetData2Exit(QObject* /*Sender*/) { LeaveBox(*this, 1); }
void TForm1::EditPresetData3Exit(QObject* /*Sender*/) { LeaveBox(*this, 2); }

void TForm1::ButtonPreset1Click(QObject* /*Sender*/) { PresetAxis(*this, 0); }
void TForm1::ButtonPreset2Click(QObject* /*Sender*/) { PresetAxis(*this, 1); }
void TForm1::ButtonPreset3Click(QObject* /*Sender*/) { PresetAxis(*this, 2); }

void TForm1::ButtonPresetAllClick(QObject* Sender) {
  ClearErrorLine();
  // A box that fails its check has said so and keeps its previous value,
  // with which its axis is preset all the same.
  for (int axis = 0; axis < unit1::kAxisCount; ++axis) ValidateBox(*this, axis);
  CallReported(*this, "ZemtraPresetRawAll", [this] {
    return ZemtraPresetRawAll(CardHandle, PresetValue[0], PresetValue[1], PresetValue[2], &StatusWord);
  });
  ButtonUpdateClick(Sender);
}
