#include "controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRadioButton>

TLabel::TLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

void TLabel::SetColor(const QColor& color) {
  color_ = color;
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, color);
  setPalette(palette);
}

void TLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked(this);
  QLabel::mousePressEvent(event);
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  auto* grid = new QGridLayout(this);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    buttons_->addButton(button, i);
    grid->addWidget(button, i % rows, i / rows);
  }
  // Only a user's click runs the action; SetItemIndex stays silent.
  connect(buttons_, &QButtonGroup::idClicked, this, [this](int) { emit clicked(this); });
}

int TRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (index < 0) {
    if (QAbstractButton* checked = buttons_->checkedButton()) {
      buttons_->setExclusive(false);
      checked->setChecked(false);
      buttons_->setExclusive(true);
    }
    return;
  }
  if (QAbstractButton* button = buttons_->button(index)) button->setChecked(true);
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

void TEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Leaving means the focus went to another control of the window, not that
  // the window lost it to a message box, a menu or another program.
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) emit exited(this);
}

void TEdit::keyPressEvent(QKeyEvent* event) {
  emit keyDown(this, event->key(), event->modifiers());
  QLineEdit::keyPressEvent(event);
}
