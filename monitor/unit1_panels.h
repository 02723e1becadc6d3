// What the panel files of the main window share: the reporting pattern as a
// helper, painting of indicators, hexadecimal readout text, and the table of
// each axis group's controls, so that per-axis handlers are one function.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>

#include "unit1.h"

namespace unit1 {

// The reporting pattern: name the function, call it, keep and report a failure.
template <typename Call>
ErrorCode CallReported(TForm1& form, const char* function, Call&& call) {
  form.LastFunction = function;
  form.LastError = std::forward<Call>(call)();
  if (form.LastError != 0) form.ReportApiResult();
  return form.LastError;
}

// Text and colour of an indicator; leaves unchanged what already matches, so
// an update that finds the board as it was repaints nothing.
void Paint(TLabel* label, const QString& text, const QColor& color);
void SetText(QLabel* label, const QString& text);

// Upper-case hexadecimal, zero-filled to `digits`.
QString Hex(uint32_t value, int digits);

// A register readout: caption, "0x" and the value, or question marks where a
// failed read left no value from the board.
QString Readout(const char* caption, bool valid, uint32_t value, int digits);

// The controls of one axis group; object names ending in the axis number are
// derived from the number, the irregular ones are given here.
struct AxisControls {
  int number;  // 1, 2, 3 as the window calls the axes
  const char* groupName;
  QGroupBox* TForm1::*group;
  const char* presetNameLabelName;
  QLabel* TForm1::*presetNameLabel;
  TRadioGroup* TForm1::*optic;
  QLabel* TForm1::*posName;
  QLabel* TForm1::*velName;
  TLabel* TForm1::*posData;
  TLabel* TForm1::*velData;
  QPushButton* TForm1::*sample;
  QPushButton* TForm1::*read;
  QPushButton* TForm1::*update;
  QPushButton* TForm1::*preset;
  TEdit* TForm1::*presetBox;
  TLabel* TForm1::*glitch;
  TLabel* TForm1::*noSig;
  TLabel* TForm1::*intrGlitch;
  TLabel* TForm1::*intrNoSig;
  TLabel* TForm1::*posValid;
  TLabel* TForm1::*err;
  TLabel* TForm1::*dir;
  void (TForm1::*opticClick)(QObject*);
  void (TForm1::*readClick)(QObject*);
  void (TForm1::*updateClick)(QObject*);
  void (TForm1::*posDataClick)(QObject*);
  void (TForm1::*velDataClick)(QObject*);
  void (TForm1::*presetClick)(QObject*);
  void (TForm1::*presetExit)(QObject*);
  void (TForm1::*presetKeyDown)(QObject*, int, Qt::KeyboardModifiers);
};

inline constexpr int kAxisCount = 3;
extern const AxisControls kAxes[kAxisCount];

// Index 0..2 of the axis whose control `field` (e.g. &AxisControls::posData)
// is `sender`; -1 when it is none of them.
template <typename Control>
int AxisOf(const TForm1& form, const QObject* sender, Control* TForm1::*AxisControls::*field) {
  for (int i = 0; i < kAxisCount; ++i) {
    if (sender != nullptr && sender == form.*(kAxes[i].*field)) return i;
  }
  return -1;
}

}  // namespace unit1
