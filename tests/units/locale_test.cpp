// The main window's value texts in the user's locale: the same program run
// once in an English and once in a German locale (ZEMTRA_TEST_LANGUAGE says
// which), showing converted values with that locale's separators.
#include <QLocale>
#include <QtTest>

#include "unit1.h"

namespace {

struct Expected {
  int mode;
  bool velocity;
  uint16_t fold;
  int32_t count;
  const char* english;
  const char* german;
};

const Expected kExpected[] = {
    {2, false, 2, INT32_MIN, "-1,327.11897249", "-1.327,11897249"},
    {2, false, 2, 1000000, "0.61798793", "0,61798793"},
    {2, false, 8, 1000, "0.00015450", "0,00015450"},
    {2, true, 2, 1000, "3.0175", "3,0175"},
    {2, true, 2, INT32_MIN, "-6,480,073.1079", "-6.480.073,1079"},
    {3, false, 2, -123456789, "-3.003732495", "-3,003732495"},
    {3, false, 2, INT32_MIN, "-52.248778445", "-52,248778445"},
    {3, true, 4, INT32_MAX, "127,560.4942", "127.560,4942"},
    {3, true, 8, 1, "0.0000", "0,0000"},
    {0, false, 8, -1234567, "-1234567", "-1234567"},
    {1, true, 2, -1, "0xFFFFFFFF", "0xFFFFFFFF"},
};

}  // namespace

class LocaleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    german_ = qEnvironmentVariable("ZEMTRA_TEST_LANGUAGE") == QStringLiteral("de");
    // The environment must really have given Qt the locale this run is for.
    QCOMPARE(QLocale().decimalPoint(), german_ ? QStringLiteral(",") : QStringLiteral("."));
  }

  void valuesUseTheLocaleSeparators() {
    TForm1 form;
    form.Timer3->stop();
    TLabel label;
    TEdit box;
    for (const Expected& e : kExpected) {
      form.RadioGroupUnitSelect->SetItemIndex(e.mode);
      form.RadioGroupUnitSelectClick(form.RadioGroupUnitSelect);
      if (e.velocity) {
        form.ShowVelocityValue(&label, e.count, e.fold);
        form.ShowVelocityValue(&box, e.count, e.fold);
      } else {
        form.ShowPositionValue(&label, e.count, e.fold);
        form.ShowPositionValue(&box, e.count, e.fold);
      }
      const QString expected = QString::fromLatin1(german_ ? e.german : e.english);
      QCOMPARE(label.text(), expected);
      QCOMPARE(box.text(), expected);
    }
  }

 private:
  bool german_ = false;
};

QTEST_MAIN(LocaleTest)
#include "locale_test.moc"
