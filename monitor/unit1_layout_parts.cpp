#include "unit1_layout_parts.h"

#include <QGridLayout>
#include <QPushButton>

namespace unit1::layout {

void SetHelp(QWidget* widget, int context) { widget->setProperty("helpContext", context); }

int WidthOf(const QWidget* widget, const char* text) {
  return widget->fontMetrics().horizontalAdvance(QString::fromLatin1(text)) + 12;
}

TLabel* Indicator(QWidget* parent, const QString& name, const char* hint, Qt::Alignment alignment,
                  const char* widest) {
  auto* label = Named(new TLabel(QString(), parent), name);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(alignment | Qt::AlignVCenter);
  label->setMinimumWidth(WidthOf(label, widest));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->SetColor(kColorNone);
  if (hint != nullptr) label->setToolTip(QString::fromLatin1(hint));
  return label;
}

QLabel* Caption(QWidget* parent, const char* text) { return new QLabel(QString::fromLatin1(text), parent); }

QPushButton* Button(QWidget* parent, const QString& name, const char* caption, const char* hint, int help) {
  auto* button = Named(new QPushButton(QString::fromLatin1(caption), parent), name);
  button->setToolTip(QString::fromLatin1(hint));
  SetHelp(button, help);
  return button;
}

QLabel* ReadoutLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = Named(new QLabel(QString::fromLatin1(caption), parent), QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(WidthOf(label, kWidestReadout));
  return label;
}

QFrame* SignalPanel(QWidget* parent, TLabel* glitch, TLabel* noSig, TLabel* intrGlitch, TLabel* intrNoSig) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* grid = new QGridLayout(panel);
  grid->addWidget(Caption(panel, "Glitch"), 0, 1, Qt::AlignCenter);
  grid->addWidget(Caption(panel, "NoSig"), 0, 2, Qt::AlignCenter);
  grid->addWidget(Caption(panel, "Errors:"), 1, 0);
  grid->addWidget(glitch, 1, 1);
  grid->addWidget(noSig, 1, 2);
  grid->addWidget(Caption(panel, "Interrupts Enabled:"), 2, 0);
  grid->addWidget(intrGlitch, 2, 1);
  grid->addWidget(intrNoSig, 2, 2);
  return panel;
}

}  // namespace unit1::layout
