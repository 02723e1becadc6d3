// Cardselect: the modal dialog in which the user picks one of the cards found.
#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

class TFormSelectCard : public QDialog {
  Q_OBJECT
 public:
  explicit TFormSelectCard(QWidget* parent = nullptr);

  QComboBox* ComboBoxCard = nullptr;
  QPushButton* BitBtnCardOK = nullptr;
  QPushButton* BitBtnCardCancel = nullptr;

  void FormShow(QObject* Sender);
  // Every way of closing but OK answers Cancel (mrCancel), OK answers mrOk.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
};

extern TFormSelectCard* FormSelectCard;

// The list entry for a card: "PCI Bus 2, Slot 14".
QString CardEntryText(int bus, int slot);
