// Aboutmonitor: the about box of the Help menu.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* LabelAboutRev = nullptr;
  QLabel* LabelCopyright = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* LabelCopyrightDate = nullptr;
  QPushButton* BitBtn1 = nullptr;

  void FormCreate(QObject* Sender);
};

extern TAboutBox* AboutBox;
