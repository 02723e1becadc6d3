// The main window's value texts in the user's locale: the same program run
// once in an English and once in a German locale (ZEMTRA_TEST_LANGUAGE says
// which), in every display mode, in a label and in an edit box.
#include <QLocale>
#include <QtTest>

#include "unit1.h"

namespace {

struct Expected {
  int mode;
  bool velocity;
  uint16_t fold;
  int32_t count;
  const char *english, *german;
};

const Expected kExpected[] = {
    {2, false, 2, INT32_MIN, "-1,327.11897249", "-1.327,11897249"},
    {2, true, 2, INT32_MIN, "-6,480,073.1079", "-6.480.073,1079"},
    {3, false, 2, -123456789, "-3.003732495", "-3,003732495"},
    {3, true, 4, INT32_MAX, "127,560.4942", "127.560,4942"},
    {0, false, 8, -1234567, "-1234567", "-1234567"},
    {1, true, 2, -1, "0xFFFFFFFF", "0xFFFFFFFF"},
};

}  // namespace

class LocaleTest : public QObject {
  Q_OBJECT

 private slots:
  void valuesUseTheLocaleSeparators() {
    const bool german = qEnvironmentVariable("ZEMTRA_TEST_LANGUAGE") == QStringLiteral("de");
    // The environment must really have given Qt the locale this run is for.
    QCOMPARE(QLocale().decimalPoint(), german ? QStringLiteral(",") : QStringLiteral("."));
    TForm1 form;
    form.Timer3->stop();
    TLabel label;
    TEdit box;
    for (const Expected& e : kExpected) {
      form.RadioGroupUnitSelect->SetItemIndex(e.mode);
      form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
      for (QWidget* control : {static_cast<QWidget*>(&label), static_cast<QWidget*>(&box)}) {
        (form.*(e.velocity ? &TForm1::ShowVelocityValue : &TForm1::ShowPositionValue))(control, e.count, e.fold);
      }
      QCOMPARE(label.text(), QString::fromLatin1(german ? e.german : e.english));
      QCOMPARE(box.text(), QString::fromLatin1(german ? e.german : e.english));
    }
  }
};

QTEST_MAIN(LocaleTest)
#include "locale_test.moc"
