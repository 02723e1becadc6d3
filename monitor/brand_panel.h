// The picture and the white labels that the splash window and the about box
// share: "Zemtra", "Monitor", the revision, and the maker's rights notice.
#pragma once

#include <QString>

class QLabel;
class QWidget;

inline constexpr int kBrandPictureWidth = 436;
inline constexpr int kBrandPictureHeight = 276;
inline constexpr const char* kMakerName = "Kestova";
inline constexpr int kCopyrightYear = 2026;

struct BrandPanel {
  QLabel* Image1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Revision;
  QLabel* LabelCopyright;
  QLabel* Label5;
  QLabel* LabelCopyrightDate;
};

// Puts the picture and the labels onto `window` (which it sizes to the
// picture); the revision label gets `revisionName` as its object name. The
// texts that the windows set at creation are left empty.
BrandPanel MakeBrandPanel(QWidget* window, const QString& revisionName);

// Sets the texts of the labels that the windows fill at creation.
void FillBrandTexts(const BrandPanel& panel);
