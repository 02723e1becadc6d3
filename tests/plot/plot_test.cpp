// The position plot window on two still simulated boards whose axis 2 has no
// signal and whose axis 1 glitches. The plot's clock is the test's own, and
// each sampling tick is called by the test; library calls are counted in the
// register accesses of the first board.
#include <QTemporaryDir>
#include <charconv>
#include <random>

#include "display_units.h"
#include "monitor_fixture.h"
#include "plot/position_plot.h"

using namespace monitor_test;
using namespace zemtra::plot;
namespace units = zemtra::units;

namespace {

constexpr int32_t kPositions[2][3] = {{1000000, 0, -123456789}, {777, 0, 4242}};  // per board
constexpr int64_t kMs = 1'000'000;

int SampleCommands(const QStringList& trace) { return static_cast<int>(trace.filter("W16 reg 0x020 0x0222").size()); }

double Number(const QString& field) {
  double value = 0;
  const QByteArray text = field.toLatin1();
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

class PlotTest : public MonitorTest {
  Q_OBJECT

 public:
  PlotTest() : MonitorTest("boards=2,motion=off,nosig=A2,glitch=A1", false) {}

 protected:
  void Prepare() override {
    for (int b = 0; b < 2; ++b) {
      DeviceLocation where = SimulatedBoard(b);
      DeviceHandle card = 0;
      uint16_t status = 0;
      QCOMPARE(ZemtraOpen(&where, &card, nullptr), ErrorCode{0});
      ZemtraPresetRawAll(card, kPositions[b][0], kPositions[b][1], kPositions[b][2], &status);
      ZemtraClose(&card);
    }
    w_->Connect(true);  // the selection dialog is cancelled: the first board
    Form1->PositionPlot1->trigger();
    plot_ = Form1->FormPositionPlot;
    now_ = 0;
    plot_->Sampler->SetClock([this] { return now_; });
    plot_->ButtonClear->click();
  }

 private slots:
  void menuEntryOpensOneWindow() {
    Form1->PositionPlot1->trigger();
    QCOMPARE(Form1->findChildren<TFormPositionPlot*>().size(), 1);
    QVERIFY(plot_->isVisible() && plot_->isWindow());
    QCOMPARE(plot_->ComboBoxRate->currentText(), QStringLiteral("50 Hz"));
  }

  void rateIsHonoured_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int64_t>("tickNs");
    const int rates[] = {10, 50, 100, 500};
    for (int choice = 0; choice < 4; ++choice) {
      for (const int64_t tick : {1 * kMs, kMs * 1000 / rates[choice], 45 * kMs}) {
        QTest::addRow("%d Hz, ticks %lld ms apart", rates[choice], static_cast<long long>(tick / kMs))
            << choice << rates[choice] << tick;
      }
    }
  }
  void rateIsHonoured() {
    QFETCH(int, choice);
    QFETCH(int, rate);
    QFETCH(int64_t, tickNs);
    plot_->ComboBoxRate->setCurrentIndex(choice);
    QCOMPARE(plot_->Sampler->Timer()->interval(), 1000 / rate);
    TakeAccesses();
    Run(2000 * kMs, tickNs);
    const int calls = SampleCommands(TakeAccesses());
    QVERIFY2(std::abs(calls - 2 * rate) <= 0.05 * 2 * rate, qPrintable(QString::number(calls)));
  }

  void unitsAndFoldsFollowTheMainWindow_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("folds");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("velocityTitle");
    QTest::addColumn<double>("low");   // axis 3
    QTest::addColumn<double>("high");  // axis 1
    const int32_t p1 = kPositions[0][0], p3 = kPositions[0][2];
    QTest::newRow("Raw Dec") << 0 << QList{2, 2, 2} << "Position (counts)" << "Velocity (counts)" << double(p3)
                             << double(p1);
    QTest::newRow("Raw Hex") << 1 << QList{8, 8, 8} << "Position (counts)" << "Velocity (counts)" << double(p3)
                             << double(p1);
    QTest::newRow("mm") << 2 << QList{2, 4, 8} << "Position (mm)" << "Velocity (mm/s)"
                        << units::ConvertCount(units::kMmPositionScale, 8, p3)
                        << units::ConvertCount(units::kMmPositionScale, 2, p1);
    QTest::newRow("inch") << 3 << QList{8, 2, 4} << "Position (in)" << "Velocity (in/s)"
                          << units::ConvertCount(units::kInchPositionScale, 4, p3)
                          << units::ConvertCount(units::kInchPositionScale, 8, p1);
  }
  void unitsAndFoldsFollowTheMainWindow() {
    QFETCH(int, mode);
    QFETCH(QList<int>, folds);
    QFETCH(QString, title);
    QFETCH(QString, velocityTitle);
    QFETCH(double, low);
    QFETCH(double, high);
    Run(500 * kMs);
    Form1->RadioGroupUnitSelect->SetItemIndex(mode);
    Form1->RadioGroupUnitSelectClick(Form1->RadioGroupUnitSelect);
    TRadioGroup* optics[] = {Form1->RadioGroupAx1Optic, Form1->RadioGroupAx2Optic, Form1->RadioGroupAx3Optic};
    void (TForm1::*clicks[])(QObject*) = {&TForm1::RadioGroupAx1OpticClick, &TForm1::RadioGroupAx2OpticClick,
                                          &TForm1::RadioGroupAx3OpticClick};
    for (int axis = 0; axis < 3; ++axis) {
      optics[axis]->SetItemIndex(folds[axis] == 2 ? 0 : folds[axis] == 4 ? 1 : 2);
      (Form1->*clicks[axis])(optics[axis]);
    }
    Fire(plot_->TimerFrame);  // no new sample: the change alone repaints
    const TPlotChart::Draft draft = plot_->ChartPosition->MakeDraft();
    QCOMPARE(draft.title, title);
    QVERIFY(draft.data.has_value());
    QCOMPARE(draft.data->first, low);
    QCOMPARE(draft.data->second, high);
    QCOMPARE(plot_->ChartVelocity->MakeDraft().title, velocityTitle);
  }

  // Unticking Auto-scale fixes the range in view; a range that cannot be used
  // is marked and the chart fits itself again.
  void fixedRangeStartsFromTheRangeInView() {
    Run(500 * kMs);
    Fire(plot_->TimerFrame);
    const TPlotChart::Draft fitted = plot_->ChartPosition->MakeDraft();
    plot_->CheckBoxPositionAuto->setChecked(false);
    const TPlotChart::Draft fixed = plot_->ChartPosition->MakeDraft();
    QCOMPARE(fixed.low, std::round(fitted.low));
    QCOMPARE(fixed.high, std::round(fitted.high));
    plot_->EditPositionHigh->setText(QStringLiteral("-200000000"));
    plot_->RangeChange(plot_->EditPositionHigh);
    QCOMPARE(plot_->EditPositionHigh->palette().color(QPalette::Base), kColorFault);
    QCOMPARE(plot_->ChartPosition->MakeDraft().low, fitted.low);
  }

  // Axis 1 glitches, axis 2 has no signal, axis 3 is sound. The Glitch is
  // cleared halfway and latches again.
  void gapsAndMarkers_data() {
    QTest::addColumn<int>("axis");
    QTest::addColumn<bool>("line");
    QTest::addColumn<QStringList>("markers");
    QTest::newRow("axis 1") << 0 << true
                            << QStringList{"Axis 1 Glitch latched at 0.000 s", "Axis 1 Glitch latched at 2.520 s"};
    QTest::newRow("axis 2") << 1 << false
                            << QStringList{"Axis 2 No Sig latched at 0.000 s",
                                           "Axis 2: invalid samples from 0.000 s to 4.980 s"};
    QTest::newRow("axis 3") << 2 << true << QStringList{};
  }
  void gapsAndMarkers() {
    QFETCH(int, axis);
    QFETCH(bool, line);
    QFETCH(QStringList, markers);
    plot_->ComboBoxWindow->setCurrentIndex(0);  // 5 s
    Run(2500 * kMs);
    uint16_t status = 0;
    ZemtraClearStatusBits(Form1->CardHandle, ZEMTRA_STATUS_A1_GLITCH, &status);
    Run(2500 * kMs);
    Fire(plot_->TimerFrame);
    const TPlotChart::Draft draft = plot_->ChartPosition->MakeDraft();
    QStringList texts;
    for (const TPlotChart::Marker& marker : draft.markers) {
      if (marker.axis != axis) continue;
      texts << marker.text;
      QVERIFY(plot_->ChartPosition->ToolTipAt(marker.area.center()).split('\n').contains(marker.text));
    }
    texts.sort();
    QCOMPARE(texts, markers);
    // The line in the picture: its colour across the plot, or at most a dotted marker line.
    const QImage picture = plot_->ChartPosition->grab().toImage();
    const QRect lines = draft.plotArea;
    int pixels = 0;
    for (int y = lines.top(); y <= lines.bottom(); ++y)
      for (int x = lines.left(); x <= lines.right(); ++x) pixels += picture.pixel(x, y) == AxisColour(axis).rgb();
    QVERIFY2(line ? pixels >= lines.width() * 9 / 10 : pixels <= lines.height(), qPrintable(QString::number(pixels)));
  }

  void ringIsBounded_data() {
    QTest::addColumn<int>("rateChoice");
    QTest::addColumn<int>("windowChoice");
    QTest::addColumn<int>("capacity");
    QTest::newRow("10 Hz, 5 s") << 0 << 0 << 50;
    QTest::newRow("500 Hz, 5 s") << 3 << 0 << 2500;
    QTest::newRow("500 Hz, 10 min") << 3 << 3 << 300000;
  }
  void ringIsBounded() {
    QFETCH(int, rateChoice);
    QFETCH(int, windowChoice);
    QFETCH(int, capacity);
    plot_->ComboBoxRate->setCurrentIndex(rateChoice);
    plot_->ComboBoxWindow->setCurrentIndex(windowChoice);
    QCOMPARE(plot_->Samples().capacity(), size_t(capacity));
    if (capacity > 10000) return;
    Run(7000 * kMs, 1 * kMs);
    const SampleRing& ring = plot_->Samples();
    QCOMPARE(ring.size(), size_t(capacity));
    // The newest are kept, one period apart.
    QCOMPARE(ring.newest().elapsedNs - ring[0].elapsedNs, (capacity - 1) * (1000 * kMs / plot_->Sampler->rate()));
    QVERIFY(ring.newest().elapsedNs >= 6900 * kMs);
  }

  // Block summaries after the ring wrapped give what the samples give one by one.
  void summariesAgreeWithTheSamples() {
    SampleRing ring(1000);
    std::mt19937 random(7);
    for (int i = 0; i < 2613; ++i) {
      PlotSample sample;
      sample.elapsedNs = i;
      for (int a = 0; a < 3; ++a) {
        sample.position[a] = static_cast<int32_t>(random());
        sample.velocity[a] = static_cast<int32_t>(random());
      }
      sample.sampleStatus = static_cast<uint16_t>(random() % 8 ? ZEMTRA_SMP_ALL_SAMPLE : ZEMTRA_SMP_A1_SAMPLE);
      sample.newlyLatched = static_cast<uint16_t>(random() % 50 ? 0 : 1u << (random() % 16));
      ring.Append(sample);
    }
    for (int trial = 0; trial < 300; ++trial) {
      const size_t first = random() % 1000;
      const size_t last = first + random() % (1001 - first);
      Summary expected;
      for (size_t i = first; i < last; ++i) expected.Add(ring[i]);
      QVERIFY(ring.Summarize(first, last) == expected);
      QCOMPARE(ring.LowerBound(ring[first].elapsedNs, first / 2), first);
    }
  }

  void exportWritesWhatIsShown_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("header");
    QTest::addColumn<double>("scale");
    QTest::newRow("raw") << 0 << "time_s,a1_pos,a1_vel,a1_valid,a2_pos,a2_vel,a2_valid,a3_pos,a3_vel,a3_valid" << 1.0;
    QTest::newRow("mm") << 2
                        << "time_s,a1_pos_mm,a1_vel_mm_s,a1_valid,a2_pos_mm,a2_vel_mm_s,a2_valid,a3_pos_mm,a3_vel_mm_s,a3_valid"
                        << units::kMmPositionScale;
  }
  void exportWritesWhatIsShown() {
    QFETCH(int, mode);
    QFETCH(QString, header);
    QFETCH(double, scale);
    Form1->RadioGroupUnitSelect->SetItemIndex(mode);
    Form1->RadioGroupUnitSelectClick(Form1->RadioGroupUnitSelect);
    plot_->ComboBoxRate->setCurrentIndex(0);    // 10 Hz
    plot_->ComboBoxWindow->setCurrentIndex(0);  // 5 s
    Run(8000 * kMs, 10 * kMs);
    // An independent read of the still board.
    int32_t p[3] = {}, v[3] = {};
    uint16_t valid = 0;
    ZemtraGetRawPosVelAll(Form1->CardHandle, &p[0], &v[0], &p[1], &v[1], &p[2], &v[2], &valid);
    QTemporaryDir dir;
    const QString path = dir.filePath("plot.csv");
    plot_->ExportFileAsker = [&] { return path; };
    plot_->ButtonExport->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), header);
    QVERIFY2(lines.size() - 1 >= 49 && lines.size() - 1 <= 51, qPrintable(QString::number(lines.size())));
    QVERIFY(plot_->LabelPlotStatus->text().contains(QStringLiteral("%1 samples exported").arg(lines.size() - 1)));
    for (const QString& line : lines.mid(1)) {
      const QStringList f = line.split(',');
      QCOMPARE(f.size(), 10);
      QVERIFY(Number(f[0]) >= 2.9);  // the last five seconds
      QCOMPARE(Number(f[1]), scale == 1.0 ? p[0] : units::ConvertCount(scale, 2, p[0]));
      QCOMPARE(Number(f[7]), scale == 1.0 ? p[2] : units::ConvertCount(scale, 2, p[2]));
      QCOMPARE(f.mid(3, 4), QStringList({"1", "", "", "0"}));  // axis 2 without signal
    }
  }

  void pauseStopsLibraryCalls() {
    Run(500 * kMs);
    QVERIFY(SampleCommands(TakeAccesses()) > 0);
    plot_->ButtonPause->click();
    QCOMPARE(plot_->ButtonPause->text(), QStringLiteral("&Resume"));
    QVERIFY(!plot_->Sampler->Timer()->isActive());
    Run(1000 * kMs);
    Fire(plot_->Sampler->Timer());
    QVERIFY(TakeAccesses().isEmpty());
    const size_t before = plot_->Samples().size();
    plot_->ButtonPause->click();
    Run(500 * kMs);
    QCOMPARE(SampleCommands(TakeAccesses()), 25);
    QVERIFY(plot_->Samples()[before].breakBefore);
  }

  void survivesClosingTheCardAndRestartsOnTheNextCard() {
    Run(200 * kMs);
    ZemtraClose(&Form1->CardHandle);  // as re-selection does before it opens the chosen card
    TakeAccesses();
    Run(200 * kMs);
    Fire(plot_->TimerFrame);
    QCOMPARE(TakeAccesses(), QStringList());
    QVERIFY(plot_->LabelPlotStatus->text().startsWith("No card open"));
    QCOMPARE(plot_->ChartPosition->MakeDraft().columns.size(), size_t(0));
    w_->dialogAnswer = mrOk;
    w_->choose = 1;
    Form1->SelectCard1->trigger();
    QVERIFY(plot_->Samples().empty());
    Run(200 * kMs);
    Fire(plot_->TimerFrame);
    QCOMPARE(plot_->Samples().size(), size_t(10));
    QCOMPARE(plot_->Samples()[0].position[0], kPositions[1][0]);
    QCOMPARE(plot_->Samples()[0].elapsedNs, 0);
    QVERIFY(plot_->LabelPlotStatus->text().contains("Slot 1"));
  }

 private:
  // Advances the plot's clock by `durationNs` in ticks of `tickNs`, with a sampling tick each.
  void Run(int64_t durationNs, int64_t tickNs = 2 * kMs) {
    for (const int64_t end = now_ + durationNs; now_ < end;) {
      now_ += tickNs;
      plot_->Sampler->Tick();
    }
  }

  TFormPositionPlot* plot_ = nullptr;
  int64_t now_ = 0;
};

MONITOR_TEST(plot, PlotTest);
#include "plot_test.moc"
