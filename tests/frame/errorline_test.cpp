// The main window's frame without a card: the error line and its reporting
// rules, the timers, the menus and the window's state after creation.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "frame_fixture.h"
#include "helpviewer.h"

using namespace frame_test;

class ErrorLineTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { CreateWindows(); }
  void cleanup() { DestroyWindows(); }

  void noteIsInWindowTextColour() {
    Form1->LastError = 25;
    Form1->LastFunction = "ZemtraGetRawPosVelAll";
    Form1->ReportApiResult();
    QCOMPARE(Form1->LabelErrorData->text(),
             QStringLiteral("NOTE: \"Error or invalid data on axis or reference\" reported by "
                            "ZemtraGetRawPosVelAll()"));
    QCOMPARE(TextColour(Form1->LabelErrorData), QApplication::palette().color(QPalette::WindowText));
  }

  void errorIsRed() {
    Form1->LastError = 18;
    Form1->LastFunction = "ZemtraOpen";
    Form1->ReportApiResult();
    QCOMPARE(Form1->LabelErrorData->text(),
             QStringLiteral("ERROR: \"Device not found\" reported by ZemtraOpen()"));
    QCOMPARE(TextColour(Form1->LabelErrorData), QColor(255, 0, 0));
  }

  void unknownCodeIsAnError() {
    Form1->LastError = 99;
    Form1->LastFunction = "ZemtraGetStatus";
    Form1->ReportApiResult();
    QCOMPARE(Form1->LabelErrorData->text(),
             QStringLiteral("ERROR: \"Invalid error code\" reported by ZemtraGetStatus()"));
    QCOMPARE(TextColour(Form1->LabelErrorData), QColor(255, 0, 0));
  }

  void clearingKeepsTheColourUntilTheNextReport() {
    Form1->LastError = 18;
    Form1->LastFunction = "ZemtraOpen";
    Form1->ReportApiResult();
    Form1->ClearErrorLine();
    QVERIFY(Form1->LabelErrorData->text().isEmpty());
    QCOMPARE(TextColour(Form1->LabelErrorData), QColor(255, 0, 0));
    Form1->LastError = 25;
    Form1->ReportApiResult();
    QCOMPARE(TextColour(Form1->LabelErrorData), QApplication::palette().color(QPalette::WindowText));
  }

  void updateInProgressKeepsTheLine() {
    Form1->LastError = 17;
    Form1->LastFunction = "ZemtraReadRegisterLong";
    Form1->ReportApiResult();
    const QString report = Form1->LabelErrorData->text();
    Form1->UpdateInProgress = true;
    Form1->ClearErrorLine();
    QCOMPARE(Form1->LabelErrorData->text(), report);
    // Each new report still replaces the line.
    Form1->LastError = 16;
    Form1->LastFunction = "ZemtraGetStatus";
    Form1->ReportApiResult();
    QCOMPARE(Form1->LabelErrorData->text(),
             QStringLiteral("ERROR: \"%1\" reported by ZemtraGetStatus()")
                 .arg(QString::fromLatin1(ZemtraGetErrStr(16))));
    Form1->UpdateInProgress = false;
    Form1->ClearErrorLine();
    QVERIFY(Form1->LabelErrorData->text().isEmpty());
  }

  void noCardUpdateLeavesTheFlagSet() {
    // With no card open the update stops early and leaves the flag set, so
    // later actions no longer empty the line.
    Form1->CardOpen = false;
    Form1->ButtonUpdateClick(Form1->ButtonUpdate);
    QVERIFY(Form1->UpdateInProgress);
    Form1->LastError = 17;
    Form1->LastFunction = "ZemtraClearStatusAll";
    Form1->ReportApiResult();
    Form1->ClearErrorLine();
    QVERIFY(Form1->LabelErrorData->text().endsWith("reported by ZemtraClearStatusAll()"));
  }

  void realMessageBoxes() {
    // Without an answerer the window asks with a real box: exclamation icon,
    // the style's buttons, Cancel as default and for Escape.
    const struct {
      unsigned style;
      QMessageBox::StandardButton first;
      int firstAnswer;
    } styles[] = {{0x135, QMessageBox::Retry, mrRetry}, {0x131, QMessageBox::Ok, mrOk}};
    for (const auto& style : styles) {
      for (const bool takeFirst : {true, false}) {
        QMessageBox* seen = nullptr;
        QMessageBox::StandardButtons buttons;
        bool cancelIsDefault = false;
        QTimer::singleShot(0, this, [&] {
          seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          if (!seen) return;
          QCOMPARE(seen->text(), QStringLiteral("Some text."));
          QCOMPARE(seen->windowTitle(), QStringLiteral("Some caption"));
          QCOMPARE(seen->icon(), QMessageBox::Warning);
          buttons = seen->standardButtons();
          cancelIsDefault = seen->defaultButton() == seen->button(QMessageBox::Cancel);
          if (takeFirst)
            seen->button(style.first)->click();
          else
            QTest::keyClick(seen, Qt::Key_Escape);
        });
        const int answer = Form1->ShowMessageBox("Some text.", "Some caption", style.style);
        QVERIFY(seen);
        QCOMPARE(buttons, style.first | QMessageBox::Cancel);
        QVERIFY(cancelIsDefault);
        QCOMPARE(answer, takeFirst ? style.firstAnswer : int(mrCancel));
      }
    }
  }

  void stateAfterCreation() {
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Kestova Zemtra Monitor"));
    QCOMPARE(Form1->PositionScale, 1.0);
    QCOMPARE(Form1->VelocityScale, 1.0);
    QCOMPARE(Form1->FoldFactor, (std::array<uint16_t, 3>{2, 2, 2}));
    QCOMPARE(Form1->CardHandle, DeviceHandle{0});
    QVERIFY(!Form1->CardOpen);
    QVERIFY(FormSplash->isVisible());
    QVERIFY(!AboutBox->isVisible());
    QVERIFY(!FormSelectCard->isVisible());
    InitApplication();
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("zemtra-monitor"));
    QCOMPARE(QFileInfo(ApplicationHelpCollection()).fileName(), QStringLiteral("Zemtra Monitor Help.qhc"));
    QCOMPARE(QFileInfo(ApplicationHelpCollection()).absolutePath(), QCoreApplication::applicationDirPath());
  }

  void timers() {
    QCOMPARE(Form1->Timer1->interval(), 1000);
    QCOMPARE(Form1->Timer2->interval(), 500);
    QCOMPARE(Form1->Timer3->interval(), 2000);
    QVERIFY(!Form1->Timer1->isActive());
    QVERIFY(!Form1->Timer2->isActive());
    QVERIFY(Form1->Timer3->isActive());
  }

  void timer2HidesTheIndicatorOnce() {
    Form1->LabelUpdate->setVisible(true);
    Form1->Timer2->start();
    FireTimer(Form1->Timer2);
    QVERIFY(!Form1->LabelUpdate->isVisible());
    QVERIFY(!Form1->Timer2->isActive());
  }

  void menus() {
    struct Expected {
      QMenu* menu;
      const char* caption;
      int helpContext;
      QStringList items;
    };
    const Expected expected[] = {
        {Form1->File1, "&File", 9, {"E&xit"}},
        {Form1->Card1, "Ca&rd", 10, {"&Select Card..."}},
        {Form1->Tools1, "&Tools", 11, {"&Direct Register Access", "Position &Plot..."}},
        {Form1->Help1, "&Help", 12,
         {"Help &Topics", "-", "Show &Popup Hints", "&View ReadMe", "-", "&About..."}},
    };
    const QList<QAction*> bar = Form1->MainMenu->actions();
    QCOMPARE(bar.size(), 4);
    for (int i = 0; i < 4; ++i) {
      const Expected& e = expected[i];
      QCOMPARE(bar[i]->menu(), e.menu);
      QCOMPARE(e.menu->title(), QString::fromLatin1(e.caption));
      QCOMPARE(e.menu->property("helpContext").toInt(), e.helpContext);
      QStringList items;
      for (QAction* action : e.menu->actions()) items << (action->isSeparator() ? "-" : action->text());
      QCOMPARE(items, e.items);
    }
    QVERIFY(Form1->ShowPopupHints1->isCheckable());
    QVERIFY(Form1->ShowPopupHints1->isChecked());
  }

  void objectNamesAreTheMemberNames() {
    const std::pair<QObject*, const char*> named[] = {
        {Form1, "Form1"}, {Form1->MainMenu, "MainMenu"}, {Form1->File1, "File1"},
        {Form1->Exit1, "Exit1"}, {Form1->Card1, "Card1"}, {Form1->SelectCard1, "SelectCard1"},
        {Form1->Tools1, "Tools1"}, {Form1->DirectRegisterAccess1, "DirectRegisterAccess1"},
        {Form1->PositionPlot1, "PositionPlot1"},
        {Form1->Help1, "Help1"}, {Form1->HelpContents1, "HelpContents1"}, {Form1->N2, "N2"},
        {Form1->ShowPopupHints1, "ShowPopupHints1"}, {Form1->ViewReadMe1, "ViewReadMe1"},
        {Form1->N1, "N1"}, {Form1->About1, "About1"}, {Form1->Timer1, "Timer1"},
        {Form1->Timer2, "Timer2"}, {Form1->Timer3, "Timer3"}, {FormSplash, "FormSplash"},
        {FormSplash->Image1, "Image1"}, {FormSplash->LabelSplashRev, "LabelSplashRev"},
        {FormSplash->LabelCopyright, "LabelCopyright"}, {FormSplash->Label5, "Label5"},
        {FormSplash->LabelCopyrightDate, "LabelCopyrightDate"}, {AboutBox, "AboutBox"},
        {AboutBox->LabelAboutRev, "LabelAboutRev"}, {AboutBox->BitBtn1, "BitBtn1"},
        {FormSelectCard, "FormSelectCard"}, {FormSelectCard->ComboBoxCard, "ComboBoxCard"},
        {FormSelectCard->BitBtnCardOK, "BitBtnCardOK"},
        {FormSelectCard->BitBtnCardCancel, "BitBtnCardCancel"}};
    for (const auto& [object, name] : named) QCOMPARE(object->objectName(), QString::fromLatin1(name));
  }

  void exitEndsInFormCloseWithoutACard() {
    // No card: the close is still made (and fails quietly).
    Form1->LastError = 0;
    Form1->LabelErrorData->clear();
    Form1->Exit1->trigger();
    QVERIFY(!Form1->isVisible());
    QVERIFY(Form1->LabelErrorData->text().isEmpty());
    QCOMPARE(Form1->CardHandle, DeviceHandle{0});
  }

  void directRegisterAccessIsModeless() {
    Form1->DirectRegisterAccess1->trigger();
    QVERIFY(FormRegAccess->isVisible());
    QVERIFY(!FormRegAccess->isModal());
  }
};

QTEST_MAIN(ErrorLineTest)
#include "errorline_test.moc"
