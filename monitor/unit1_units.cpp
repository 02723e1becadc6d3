// Display units and optic fold factors: the settings the four radio groups
// set, and the text of every position and velocity the window shows.
#include <QLineEdit>
#include <QLocale>

#include "display_units.h"
#include "unit1.h"
#include "unit1_panels.h"

namespace units = zemtra::units;

namespace {

// The user's number format; QLocale() follows the system locale.
units::Separators LocaleSeparators() {
  const QLocale locale;
  units::Separators separators;
  separators.decimal = locale.decimalPoint().toStdString();
  separators.group = locale.numberOptions().testFlag(QLocale::OmitGroupSeparator)
                         ? std::string()
                         : locale.groupSeparator().toStdString();
  return separators;
}

void WriteText(QWidget* target, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(target)) {
    unit1::SetText(label, text);
  } else if (auto* box = qobject_cast<QLineEdit*>(target)) {
    if (box->text() != text) box->setText(text);
  }
}

}  // namespace

void TForm1::RadioGroupUnitSelectClick(QObject* /*Sender*/) {
  const int index = RadioGroupUnitSelect->ItemIndex();
  const auto mode = static_cast<units::DisplayMode>(index);
  const units::ModeSettings settings = units::SettingsFor(mode);
  PositionScale = settings.positionScale;
  VelocityScale = settings.velocityScale;
  // The raw modes leave the pattern as it was; it is unused while the scales are 1.0.
  if (!settings.positionPattern.empty()) {
    ValueFormat = QString::fromLatin1(settings.positionPattern.data(),
                                      static_cast<qsizetype>(settings.positionPattern.size()));
  }
  ShowHex = mode == units::DisplayMode::kRawHex;
  ButtonUpdateClick(RadioGroupUnitSelect);
}

namespace {

void SelectFoldFactor(TForm1& form, int axis) {
  TRadioGroup* group = form.*unit1::kAxes[axis].optic;
  const int index = group->ItemIndex();
  if (index >= 0) form.FoldFactor[static_cast<size_t>(axis)] = static_cast<uint16_t>(2u << index);
  form.ButtonUpdateClick(group);
}

}  // namespace

void TForm1::RadioGroupAx1OpticClick(QObject* /*Sender*/) { SelectFoldFactor(*this, 0); }
void TForm1::RadioGroupAx2OpticClick(QObject* /*Sender*/) { SelectFoldFactor(*this, 1); }
void TForm1::RadioGroupAx3OpticClick(QObject* /*Sender*/) { SelectFoldFactor(*this, 2); }

QString TForm1::FormatRawValue(int32_t value, int digits) const {
  return QString::fromStdString(units::FormatRawValue(value, ShowHex, digits));
}

namespace {

// Raw text while the scale is 1.0, else scale / fold x count in the pattern.
// A fold factor of 0 has no length; its count is shown raw rather than as an
// infinite or undefined number.
QString ValueText(const TForm1& form, double scale, const QString& pattern, int32_t count, uint16_t fold) {
  if (scale == 1.0 || fold == 0) return form.FormatRawValue(count, 8);
  const double value = units::ConvertCount(scale, fold, count);
  return QString::fromStdString(units::FormatPattern(value, pattern.toStdString(), LocaleSeparators()));
}

}  // namespace

void TForm1::ShowPositionValue(QWidget* target, int32_t count, uint16_t fold) {
  WriteText(target, ValueText(*this, PositionScale, ValueFormat, count, fold));
}

void TForm1::ShowVelocityValue(QWidget* target, int32_t count, uint16_t fold) {
  static const QString velocityPattern = QString::fromLatin1(
      units::kVelocityPattern.data(), static_cast<qsizetype>(units::kVelocityPattern.size()));
  WriteText(target, ValueText(*this, VelocityScale, velocityPattern, count, fold));
}
