#include "program.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <exception>

#include "aboutmonitor.h"
#include "cardselect.h"
#include "guarded_application.h"
#include "helpviewer.h"
#include "regaccess.h"
#include "splash.h"
#include "unit1.h"

namespace {

void ShowExceptionBox(const QString& message) {
  QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle), message,
                  QMessageBox::Ok);
  box.exec();
}

}  // namespace

void InitApplication() {
  QApplication::setApplicationName(QStringLiteral("Zemtra_Monitor"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/zemtra/icon.png")));
  // The title reaches task bars through the desktop entry of this name. A
  // display name would do it too, but Qt appends that to every window's
  // caption on X11 and Wayland.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntry));
  SetApplicationHelpFile(QString::fromLatin1(kHelpFileName));
}

void CreateWindows() {
  Form1 = new TForm1;
  Form1->show();
  FormSplash = new TFormSplash;
  FormSplash->show();
  AboutBox = new TAboutBox;
  FormSelectCard = new TFormSelectCard;
  FormRegAccess = new TFormRegAccess(&Form1->CardHandle);
}

void DestroyWindows() {
  delete FormRegAccess;
  FormRegAccess = nullptr;
  delete FormSelectCard;
  FormSelectCard = nullptr;
  delete AboutBox;
  AboutBox = nullptr;
  delete FormSplash;
  FormSplash = nullptr;
  delete Form1;
  Form1 = nullptr;
}

int RunProgram(int& argc, char** argv) {
  TApplication app(argc, argv);
  try {
    InitApplication();
    CreateWindows();
    app.exec();
    app.RethrowEscaped();
  } catch (const std::exception& failure) {
    ShowExceptionBox(QString::fromLocal8Bit(failure.what()));
  } catch (...) {
    // Anything that is not a standard exception is shown like one without a message.
    ShowExceptionBox(QString());
  }
  DestroyWindows();
  return 0;
}
