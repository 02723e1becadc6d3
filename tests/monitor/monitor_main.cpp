// The monitor test program: runs the test classes of the suite named by its
// first argument in one application, each test on the boards it sets up.
// Before any Qt header: the board model has a member named like Qt's "signals".
#include "pci/sim/sim_control.h"

#include <cstdlib>

#include "guarded_application.h"
#include "helpviewer.h"
#include "monitor_fixture.h"
#include "private_x_server.h"

namespace monitor_test {

namespace sim = zemtra::pci::sim;

namespace {

std::vector<std::pair<QString, std::function<std::unique_ptr<QObject>()>>>& Registry() {
  static std::vector<std::pair<QString, std::function<std::unique_ptr<QObject>()>>> registry;
  return registry;
}

}  // namespace

bool Register(const char* suite, std::function<std::unique_ptr<QObject>()> make) {
  Registry().emplace_back(QString::fromLatin1(suite), std::move(make));
  return true;
}

void SimulateBoards(const char* setup) {
  QVERIFY(sim::Configure(setup));
  sim::SetAccessLog(0, true);
}

DeviceLocation SimulatedBoard(int index) {
  DeviceLocation where{-1, -1};
  sim::BoardLocation(index, &where.bus, &where.slot);
  return where;
}

void FailSearchAfter(int calls) {
  sim::ForceResult(sim::Operation::kDeviceFind, zemtra::pci::kInsufficientResources, 1, calls);
}

Windows::Windows(const char* boards) {
  SimulateBoards(boards);
  CreateWindows();
  Form1->Timer3->stop();
  Form1->MessageBoxAnswerer = [this](const QString& text, const QString& caption, unsigned style) {
    asked.append({text, caption, style, Form1->CardOpen, Form1->LabelErrorData->text()});
    if (beforeAnswer) beforeAnswer();
    const int answer = answers.empty() ? int(mrCancel) : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  };
  Form1->SelectCardAnswerer = [this] {
    ++dialogShown;
    QComboBox* list = FormSelectCard->ComboBoxCard;
    entries.clear();
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    preselected = list->currentIndex();
    if (choose >= 0) list->setCurrentIndex(choose);
    return dialogAnswer;
  };
  TakeAccesses();
}

Windows::~Windows() {
  HelpCommand(HELP_QUIT, 0);
  ZemtraClose(&Form1->CardHandle);
  DestroyWindows();
}

void Windows::Connect(bool automatic) {
  (automatic ? Form1->RadioButtonUpdateAuto : Form1->RadioButtonUpdateManual)->setChecked(true);
  Form1->Timer3Timer(Form1->Timer3);
}

QStringList TakeAccesses() {
  QStringList lines;
  for (const zemtra::pci::Access& a : sim::TakeAccessLog(0)) {
    const char* window = a.kind == zemtra::pci::WindowKind::kRegister ? "reg" : "rev";
    lines << QString::asprintf("%c%u %s 0x%03X", a.op, unsigned{a.width}, window, a.offset);
    if (a.op == 'W') lines.last() += QString::asprintf(" 0x%0*X", a.width / 4, a.value);
  }
  return lines;
}

QStringList Writes(const QStringList& lines) {
  QStringList writes;
  for (const QString& line : lines)
    if (line.startsWith('W')) writes << line;
  return writes;
}

void FullUpdateCalls() {
  const DeviceHandle card = Form1->CardHandle;
  uint32_t first = 0, second = 0;
  int32_t p1 = 0, v1 = 0, p2 = 0, v2 = 0, p3 = 0, v3 = 0;
  uint16_t word = 0;
  ZemtraGetFPGAIds(card, &first, &second);
  ZemtraGetFPGARevs(card, &first, &second);
  ZemtraGetRawPosVelAll(card, &p1, &v1, &p2, &v2, &p3, &v3, &word);
  for (const ZemtraAxisRegisterSet& axis : ZemtraAxisRegisters) ZemtraReadRegisterLong(card, axis.presetRegister, &first);
  ZemtraGetStatus(card, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A1_A2_STATUS, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A3_REF_STATUS, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A1_A2_CONTROL, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_A3_IRQ_CONTROL, &word);
  ZemtraGetConfig(card, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_INTERRUPT_MASK, &word);
  ZemtraGetInterruptMask(card, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_SAMPLE, &word);
  ZemtraReadRegisterWord(card, ZEMTRA_REG_FILTER, &word);
  ZemtraGetFilter(card, &word);
}

void ClearStatusCalls(uint16_t mask, bool all) {
  uint16_t word = 0;
  (all ? ZemtraClearStatusAll(Form1->CardHandle, &word) : ZemtraClearStatusBits(Form1->CardHandle, mask, &word));
  for (int32_t offset : {ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_REG_A3_REF_STATUS, ZEMTRA_REG_SAMPLE})
    ZemtraReadRegisterWord(Form1->CardHandle, offset, &word);
}

}  // namespace monitor_test

int main(int argc, char** argv) {
  // The machine's own PCI bus stays out: only simulated boards are seen.
  setenv("ZEMTRA_SYSFS_ROOT", "/nonexistent/zemtra-monitor-tests", 1);
  std::optional<PrivateXServer> server;
  if (qgetenv("QT_QPA_PLATFORM").startsWith("xcb")) {
    server.emplace();
    if (server->Display().isEmpty()) qFatal("Xvfb did not start");
    qputenv("DISPLAY", server->Display());
  }
  TApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  // Converted values are checked in the number format of an English locale.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  InitApplication();
  SetApplicationHelpFile(QStringLiteral(ZEMTRA_TEST_HELP_FILE));
  QStringList arguments = QCoreApplication::arguments();
  const QString suite = arguments.size() > 1 ? arguments.takeAt(1) : QString();
  int failures = 0, classes = 0;
  for (const auto& [name, make] : monitor_test::Registry()) {
    if (name != suite) continue;
    ++classes;
    failures += QTest::qExec(make().get(), arguments);
  }
  if (classes == 0) qCritical("no test suite named \"%s\"", qPrintable(suite));
  return classes == 0 ? 1 : failures;
}
