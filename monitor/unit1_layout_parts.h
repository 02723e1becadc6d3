// Pieces the main window's layout is made of, shared by the files that build
// its parts: named controls with their hints and help contexts, indicators,
// readouts, the signal panels, and the wiring of a control to its handler.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>

#include "unit1.h"

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace unit1::layout {

// Help topics of the help file, by context number.
enum HelpContext {
  kHelpPresetBox = 1,
  kHelpPresetButton = 2,
  kHelpSample = 3,
  kHelpRead = 4,
  kHelpSampleAndRead = 5,
  kHelpMainWindow = 6,
  kHelpGlobalInterrupt = 7,
  kHelpFilter = 8,
  kHelpDisplayUnits = 13,
  kHelpOptic = 15,
};

inline constexpr const char* kValueHint = "In raw interferometer units (click to update)";
inline constexpr const char* kToggleHint = "Click to toggle";
inline constexpr const char* kClearHint = "Click to clear";
inline constexpr const char* kClearErrorsHint = "Click to clear errors";

// Widest texts the labels show, so that the window keeps its size whatever
// they hold.
inline constexpr const char* kWidestValue = "-8,888,888.88888888";
inline constexpr const char* kWidestIndicator = "Negative";
inline constexpr const char* kWidestFlag = "ERR";
inline constexpr const char* kWidestReadout = "Intr. Mask: 0xFFFFFFFF";

template <typename Widget>
Widget* Named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

void SetHelp(QWidget* widget, int context);
int WidthOf(const QWidget* widget, const char* text);

// A label with its own colour, gray and empty at start.
TLabel* Indicator(QWidget* parent, const QString& name, const char* hint, Qt::Alignment alignment = Qt::AlignCenter,
                  const char* widest = kWidestIndicator);
QLabel* Caption(QWidget* parent, const char* text);
QPushButton* Button(QWidget* parent, const QString& name, const char* caption, const char* hint, int help);
QLabel* ReadoutLabel(QWidget* parent, const char* name, const char* caption);

// Glitch and no-signal indicators above the interrupt enables of one signal.
QFrame* SignalPanel(QWidget* parent, TLabel* glitch, TLabel* noSig, TLabel* intrGlitch, TLabel* intrNoSig);

// Runs the window's handler with the control as the sender on each click.
template <typename Control>
void Wire(TForm1& form, Control* control, void (TForm1::*handler)(QObject*)) {
  TForm1* window = &form;
  QObject::connect(control, &Control::clicked, window, [window, control, handler] { (window->*handler)(control); });
}

// The parts beside and below the axis groups (unit1_layout_side.cpp).
QVBoxLayout* RightColumn(TForm1& form, QWidget* parent);
QHBoxLayout* BottomRow(TForm1& form, QWidget* parent);
QLabel* ErrorLine(TForm1& form, QWidget* parent);

}  // namespace unit1::layout
