// The plot window on two still boards, axis 1 glitching, axis 2 without signal; the test owns its clock.
#include <QTemporaryDir>
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
  // The calls per second whatever the ticks; the ring keeps the window's newest samples.
  void rateAndWindowAreHonoured_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("windowChoice");
    QTest::addColumn<int64_t>("tickNs");
    QTest::addColumn<int>("capacity");
    const int rates[] = {10, 50, 100, 500};
    for (int choice = 0; choice < 4; ++choice) {
      for (const int64_t tick : {1 * kMs, kMs * 1000 / rates[choice], 45 * kMs}) {
        QTest::addRow("%d Hz, ticks %lld ms apart", rates[choice], static_cast<long long>(tick / kMs))
            << choice << 0 << tick << 5 * rates[choice];
      }
    }
    QTest::newRow("500 Hz, 10 min") << 3 << 3 << 1 * kMs << 300000;
  }
  void rateAndWindowAreHonoured() {
    QFETCH(int, choice);
    QFETCH(int, windowChoice);
    QFETCH(int64_t, tickNs);
    QFETCH(int, capacity);
    Form1->PositionPlot1->trigger();  // again: still one window
    QCOMPARE(Form1->findChildren<TFormPositionPlot*>().size(), 1);
    QVERIFY(plot_->isVisible() && plot_->isWindow());
    QCOMPARE(plot_->ComboBoxRate->currentText(), QStringLiteral("50 Hz"));
    plot_->ComboBoxRate->setCurrentIndex(choice);
    plot_->ComboBoxWindow->setCurrentIndex(windowChoice);
    const int rate = plot_->Sampler->rate();
    QCOMPARE(plot_->Sampler->Timer()->interval(), 1000 / rate);
    QCOMPARE(plot_->Samples().capacity(), size_t(capacity));
    TakeAccesses();
    Run(7000 * kMs, tickNs);
    const int calls = SampleCommands(TakeAccesses());
    QVERIFY2(std::abs(calls - 7 * rate) <= 0.05 * 7 * rate, qPrintable(QString::number(calls)));
    const SampleRing& ring = plot_->Samples();
    QCOMPARE(ring.size(), size_t(std::min(capacity, calls)));
    const int64_t span = ring.newest().elapsedNs - ring[0].elapsedNs;  // to a tick, as ticks fall
    QVERIFY2(std::abs(span - int64_t(ring.size() - 1) * (1000 * kMs / rate)) <= tickNs, qPrintable(QString::number(span)));
    QVERIFY(ring.newest().elapsedNs >= 7000 * kMs - tickNs - 1000 * kMs / rate);
  }

  // Chart and export in the main window's units and folds; axis 3 lowest, axis 1 highest.
  void unitsAndFoldsFollowTheMainWindow_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("folds");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("velocityTitle");
    QTest::addColumn<QString>("header");
    QTest::addColumn<double>("scale");  // 0: raw counts
    const QString raw = "time_s,a1_pos,a1_vel,a1_valid,a2_pos,a2_vel,a2_valid,a3_pos,a3_vel,a3_valid";
    QTest::newRow("Raw Dec") << 0 << QList{2, 2, 2} << "Position (counts)" << "Velocity (counts)" << raw << 0.0;
    QTest::newRow("Raw Hex") << 1 << QList{8, 8, 8} << "Position (counts)" << "Velocity (counts)" << raw << 0.0;
    QTest::newRow("mm") << 2 << QList{2, 4, 8} << "Position (mm)" << "Velocity (mm/s)"
                        << "time_s,a1_pos_mm,a1_vel_mm_s,a1_valid,a2_pos_mm,a2_vel_mm_s,a2_valid,a3_pos_mm,a3_vel_mm_s,a3_valid"
                        << units::kMmPositionScale;
    QTest::newRow("inch") << 3 << QList{8, 2, 4} << "Position (in)" << "Velocity (in/s)"
                          << "time_s,a1_pos_in,a1_vel_in_s,a1_valid,a2_pos_in,a2_vel_in_s,a2_valid,a3_pos_in,a3_vel_in_s,a3_valid"
                          << units::kInchPositionScale;
  }
  void unitsAndFoldsFollowTheMainWindow() {
    QFETCH(int, mode);
    QFETCH(QList<int>, folds);
    QFETCH(QString, title);
    QFETCH(QString, velocityTitle);
    QFETCH(QString, header);
    QFETCH(double, scale);
    plot_->ComboBoxRate->setCurrentIndex(0);    // 10 Hz
    plot_->ComboBoxWindow->setCurrentIndex(0);  // 5 s
    Run(8000 * kMs, 10 * kMs);
    Select(Form1->RadioGroupUnitSelect, mode);
    TRadioGroup* optics[] = {Form1->RadioGroupAx1Optic, Form1->RadioGroupAx2Optic, Form1->RadioGroupAx3Optic};
    for (int axis = 0; axis < 3; ++axis) Select(optics[axis], folds[axis] == 2 ? 0 : folds[axis] == 4 ? 1 : 2);
    // An independent read of the still board.
    int32_t p[3] = {}, v[3] = {};
    uint16_t valid = 0;
    ZemtraGetRawPosVelAll(Form1->CardHandle, &p[0], &v[0], &p[1], &v[1], &p[2], &v[2], &valid);
    const auto shown = [&](int axis) {
      return scale == 0 ? p[axis] : units::ConvertCount(scale, static_cast<uint16_t>(folds[axis]), p[axis]);
    };
    Fire(plot_->TimerFrame);  // no new sample: the change alone repaints
    const TPlotChart::Draft draft = plot_->ChartPosition->MakeDraft();
    QCOMPARE(draft.title, title);
    QVERIFY(draft.data.has_value());
    QCOMPARE(draft.data->first, shown(2));
    QCOMPARE(draft.data->second, shown(0));
    QCOMPARE(plot_->ChartVelocity->MakeDraft().title, velocityTitle);

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
      QVERIFY(f[0].toDouble() >= 2.9);  // the last five seconds
      QCOMPARE(f[1].toDouble(), shown(0));
      QCOMPARE(f[7].toDouble(), shown(2));
      QCOMPARE(f.mid(3, 4), QStringList({"1", "", "", "0"}));  // axis 2 without signal
    }
  }

  // Unticking Auto-scale fixes the range in view, a bad range is marked; Pause stops the calls,
  // as does closing the card; the next card starts afresh.
  void fixedRangePauseAndCardChange() {
    Run(500 * kMs);
    QVERIFY(SampleCommands(TakeAccesses()) > 0);
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

  // Axis 1 glitches (cleared halfway, latched again), axis 2 has no signal, axis 3 is sound.
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
