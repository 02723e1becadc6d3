#include "aboutmonitor.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "brand_panel.h"
#include "screen_center.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("AboutBox");
  const BrandPanel panel = MakeBrandPanel(this, "LabelAboutRev");
  Image1 = panel.Image1;
  Label1 = panel.Label1;
  Label2 = panel.Label2;
  LabelAboutRev = panel.Revision;
  LabelCopyright = panel.LabelCopyright;
  Label5 = panel.Label5;
  LabelCopyrightDate = panel.LabelCopyrightDate;

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("OK"), this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  BitBtn1->setAutoDefault(true);
  const QSize button = BitBtn1->sizeHint().expandedTo({88, 28});
  BitBtn1->setGeometry(width() - button.width() - 16, height() - button.height() - 14,
                       button.width(), button.height());
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  setModal(true);
  FormCreate(this);
  CenterOnScreen(this);
}

void TAboutBox::FormCreate(QObject*) {
  setWindowTitle(QStringLiteral("About Zemtra Monitor"));
  FillBrandTexts({Image1, Label1, Label2, LabelAboutRev, LabelCopyright, Label5,
                  LabelCopyrightDate});
}
