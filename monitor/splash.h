// Splash: the borderless window over the main window during start-up.
#pragma once

#include <QWidget>

class QLabel;

class TFormSplash : public QWidget {
  Q_OBJECT
 public:
  explicit TFormSplash(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* LabelSplashRev = nullptr;
  QLabel* LabelCopyright = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* LabelCopyrightDate = nullptr;

  void FormCreate(QObject* Sender);
};

extern TFormSplash* FormSplash;
