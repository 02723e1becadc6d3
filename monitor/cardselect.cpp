#include "cardselect.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "screen_center.h"
#include "unit1.h"

TFormSelectCard* FormSelectCard = nullptr;

QString CardEntryText(int bus, int slot) {
  return QStringLiteral("PCI Bus %1, Slot %2").arg(bus).arg(slot);
}

TFormSelectCard::TFormSelectCard(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName("FormSelectCard");
  setWindowTitle(QStringLiteral("Select Card"));
  setWindowIcon(QIcon(QStringLiteral(":/zemtra/icon.png")));
  setModal(true);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
  setPalette(colours);

  ComboBoxCard = new QComboBox(this);
  ComboBoxCard->setObjectName("ComboBoxCard");
  ComboBoxCard->setEditable(false);
  ComboBoxCard->setMinimumWidth(220);

  BitBtnCardOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("OK"), this);
  BitBtnCardOK->setObjectName("BitBtnCardOK");
  BitBtnCardOK->setDefault(true);
  BitBtnCardCancel =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Cancel"), this);
  BitBtnCardCancel->setObjectName("BitBtnCardCancel");
  BitBtnCardCancel->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtnCardOK);
  buttons->addWidget(BitBtnCardCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ComboBoxCard);
  layout->addLayout(buttons);
  setTabOrder(ComboBoxCard, BitBtnCardOK);
  setTabOrder(BitBtnCardOK, BitBtnCardCancel);

  connect(BitBtnCardOK, &QPushButton::clicked, this, [this] { done(mrOk); });
  connect(BitBtnCardCancel, &QPushButton::clicked, this, &TFormSelectCard::reject);
  adjustSize();
  CenterOnScreen(this);
}

void TFormSelectCard::reject() { done(mrCancel); }

void TFormSelectCard::FormShow(QObject*) { ComboBoxCard->setFocus(Qt::OtherFocusReason); }

void TFormSelectCard::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow(this);
}
