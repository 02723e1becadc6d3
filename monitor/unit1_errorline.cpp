#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "unit1.h"

namespace {

constexpr ErrorCode kNoteCode = ZEMTRA_ERR_INVALID_DATA;
const QColor kErrorTextColor{255, 0, 0};
constexpr unsigned kButtonSetBits = 0x0F;  // the low digit of a box style picks its buttons

}  // namespace

void TForm1::ReportApiResult() {
  const bool note = LastError == kNoteCode;
  QPalette colours = LabelErrorData->palette();
  colours.setColor(QPalette::WindowText,
                   note ? QApplication::palette().color(QPalette::WindowText) : kErrorTextColor);
  LabelErrorData->setPalette(colours);

  QByteArray line = note ? "NOTE: " : "ERROR: ";
  line += '"';
  line += ZemtraGetErrStr(LastError);
  line += '"';
  line += " reported by ";
  line += LastFunction ? LastFunction : "";
  line += "()";
  LabelErrorData->setText(QString::fromLatin1(line));
}

void TForm1::ClearErrorLine() {
  if (UpdateInProgress) return;
  LabelErrorData->clear();
}

int TForm1::ShowMessageBox(const QString& text, const QString& caption, unsigned style) {
  if (MessageBoxAnswerer) return MessageBoxAnswerer(text, caption, style);

  const QMessageBox::Icon icon =
      (style & MB_ICONEXCLAMATION) == MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::NoIcon;
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, this);
  const bool retry = (style & kButtonSetBits) == MB_RETRYCANCEL;
  QPushButton* first = box.addButton(retry ? QMessageBox::Retry : QMessageBox::Ok);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton((style & MB_DEFBUTTON2) ? cancel : first);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == first) return retry ? mrRetry : mrOk;
  return mrCancel;
}
