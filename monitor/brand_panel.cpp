#include "brand_panel.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace {

QLabel* MakeLabel(QWidget* window, const QString& name, int pointSize, QRect place,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = new QLabel(window);
  label->setObjectName(name);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSize(pointSize);
  label->setFont(font);
  label->setAlignment(alignment);
  label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  label->setGeometry(place);
  return label;
}

}  // namespace

BrandPanel MakeBrandPanel(QWidget* window, const QString& revisionName) {
  BrandPanel panel{};
  panel.Image1 = new QLabel(window);
  panel.Image1->setObjectName("Image1");
  panel.Image1->setPixmap(QPixmap(QStringLiteral(":/zemtra/artwork.png")));
  panel.Image1->setGeometry(0, 0, kBrandPictureWidth, kBrandPictureHeight);

  constexpr int kLarge = 30, kMedium = 14, kSmall = 9;
  panel.Label1 = MakeLabel(window, "Label1", kLarge, {28, 26, 380, 52});
  panel.Label2 = MakeLabel(window, "Label2", kLarge, {28, 76, 380, 52});
  panel.Revision = MakeLabel(window, revisionName, kMedium, {30, 136, 380, 28});
  panel.LabelCopyright = MakeLabel(window, "LabelCopyright", kSmall, {30, 206, 120, 18});
  panel.LabelCopyright->setText(QStringLiteral("\u00A9 Copyright"));
  panel.Label5 = MakeLabel(window, "Label5", kSmall, {150, 206, 200, 18});
  panel.Label5->setText(QString::fromLatin1(kMakerName));
  panel.LabelCopyrightDate = MakeLabel(window, "LabelCopyrightDate", kSmall, {30, 226, 380, 18});
  window->setFixedSize(kBrandPictureWidth, kBrandPictureHeight);
  return panel;
}

void FillBrandTexts(const BrandPanel& panel) {
  panel.Label1->setText(QStringLiteral("Zemtra"));
  panel.Label2->setText(QStringLiteral("Monitor"));
  panel.Revision->setText(QStringLiteral("Revision 1.1"));
  panel.LabelCopyrightDate->setText(
      QStringLiteral("%1 All Rights Reserved").arg(kCopyrightYear));
}
