#include "splash.h"

#include <QLabel>

#include "brand_panel.h"
#include "screen_center.h"

TFormSplash* FormSplash = nullptr;

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("FormSplash");
  const BrandPanel panel = MakeBrandPanel(this, "LabelSplashRev");
  Image1 = panel.Image1;
  Label1 = panel.Label1;
  Label2 = panel.Label2;
  LabelSplashRev = panel.Revision;
  LabelCopyright = panel.LabelCopyright;
  Label5 = panel.Label5;
  LabelCopyrightDate = panel.LabelCopyrightDate;
  // Clicks and keys do nothing: the main window's start-up timer hides it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  FormCreate(this);
  CenterOnScreen(this);
}

void TFormSplash::FormCreate(QObject*) {
  FillBrandTexts({Image1, Label1, Label2, LabelSplashRev, LabelCopyright, Label5,
                  LabelCopyrightDate});
}
