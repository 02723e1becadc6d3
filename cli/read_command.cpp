#include <strings.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "locale_separators.h"
#include "option_checks.h"
#include "output_buffer.h"
#include "pacing.h"
#include "presets.h"
#include "progress_line.h"
#include "record_format.h"
#include "stop_signal.h"

namespace zemtra::cli {

using records::Format;
using records::LineBuilder;
using records::RecordFormatter;
using records::Sample;
using records::Units;

namespace {

struct ReadOptions {
  std::string board;
  uint64_t count = 0;  // 0 = until stopped
  double rate = 0;     // 0 = back to back
  std::string units = "raw";
  std::vector<uint16_t> folds{2, 2, 2};
  std::string format = "table";
  std::vector<std::string> presets;  // A1=COUNT words, loaded before the first sample
};

template <typename Choice>
struct Named {
  const char* name;
  Choice choice;
};

constexpr Named<Units> kUnitNames[] = {{"raw", Units::kRaw}, {"mm", Units::kMillimetre}, {"inch", Units::kInch}};
constexpr Named<Format> kFormatNames[] = {{"table", Format::kTable}, {"csv", Format::kCsv}, {"json", Format::kJson}};

template <typename Choice, size_t N>
std::vector<std::string> NamesOf(const Named<Choice> (&table)[N]) {
  std::vector<std::string> names;
  for (const auto& entry : table) names.emplace_back(entry.name);
  return names;
}

template <typename Choice, size_t N>
Choice ChoiceOf(const Named<Choice> (&table)[N], const std::string& name) {
  for (const auto& entry : table) {
    if (strcasecmp(name.c_str(), entry.name) == 0) return entry.choice;
  }
  throw UsageError("unknown choice \"" + name + "\"");
}

struct ReadTotals {
  uint64_t samples = 0;
  uint64_t invalid = 0;
  int64_t firstNs = 0;
  int64_t lastNs = 0;
  LatenessStats lateness;
  std::optional<uint64_t> skipped;  // paced runs only
};

double Milliseconds(int64_t ns) { return static_cast<double>(ns) / 1e6; }

void PrintSummary(const ReadTotals& totals) {
  std::fprintf(stderr, "zemtra read: samples %" PRIu64 ", invalid %" PRIu64, totals.samples, totals.invalid);
  if (totals.samples >= 2) {
    // Between the first and the last sample start: the spacing actually kept.
    const double rate = static_cast<double>(totals.samples - 1) * 1e9 / static_cast<double>(totals.lastNs - totals.firstNs);
    std::fprintf(stderr, ", rate %.1f/s", rate);
  }
  if (totals.skipped) {
    std::fprintf(stderr, ", lateness median %.3f ms, worst %.3f ms, deadlines skipped %" PRIu64,
                 Milliseconds(totals.lateness.medianNs()), Milliseconds(totals.lateness.worstNs()), *totals.skipped);
  }
  std::fputc('\n', stderr);
}

ErrorCode SampleAll(DeviceHandle board, Sample& sample) {
  sample.sampleStatus = 0;
  return ZemtraGetRawPosVelAll(board, &sample.position[0], &sample.velocity[0], &sample.position[1],
                               &sample.velocity[1], &sample.position[2], &sample.velocity[2],
                               &sample.sampleStatus);
}

int RunRead(const ReadOptions& options) {
  const std::optional<AxisPresets> presets =
      options.presets.empty() ? std::nullopt : std::optional(ParsePresets(options.presets));
  const OpenBoard board(BoardFromArgument(options.board));
  if (presets) ApplyPresets(board.handle(), *presets);
  CatchStopSignals();
  const bool interactive = isatty(STDOUT_FILENO) != 0;
  OutputBuffer out(STDOUT_FILENO, interactive);
  const RecordFormatter formatter(ChoiceOf(kFormatNames, options.format), ChoiceOf(kUnitNames, options.units),
                                  {options.folds[0], options.folds[1], options.folds[2]}, LocaleSeparators());
  ProgressLine progress(options.count, !interactive && options.count > 0, isatty(STDERR_FILENO) != 0);
  out.Append(formatter.Header());

  ReadTotals totals;
  const int64_t startNs = MonotonicNs();
  std::optional<Pacer> pacer;
  if (options.rate > 0) {
    pacer.emplace(std::llround(1e9 / options.rate), startNs);
    totals.skipped = 0;
  }
  Sample sample;
  LineBuilder line;
  ErrorCode failure = ZEMTRA_SUCCESS;
  while ((options.count == 0 || totals.samples < options.count) && !StopRequested() && !out.readerGone()) {
    if (pacer && !pacer->SleepUntilDeadline()) continue;  // a signal: the loop condition decides
    const int64_t nowNs = MonotonicNs();
    if (pacer) totals.lateness.Add(nowNs - pacer->deadlineNs());
    const ErrorCode code = SampleAll(board.handle(), sample);
    if (code != ZEMTRA_SUCCESS && code != ZEMTRA_ERR_INVALID_DATA) {
      failure = code;
      break;
    }
    sample.elapsedNs = nowNs - startNs;
    if (totals.samples == 0) totals.firstNs = nowNs;
    totals.lastNs = nowNs;
    ++totals.samples;
    if (!sample.AllValid()) ++totals.invalid;
    line.clear();
    formatter.AddRecord(sample, line);
    out.Append(line.view());
    out.RecordDone(nowNs);
    progress.Update(totals.samples, nowNs);
    if (pacer) pacer->Advance(MonotonicNs());
  }
  out.Flush();
  progress.Finish();
  if (pacer) totals.skipped = pacer->skipped();
  PrintSummary(totals);
  Check("ZemtraGetRawPosVelAll", failure);
  return kExitSuccess;
}

}  // namespace

Command AddReadCommand(CLI::App& tool) {
  auto options = std::make_shared<ReadOptions>();
  CLI::App* read = tool.add_subcommand(
      "read",
      "Sample all three axes, one record per sample: time since start (s, monotonic clock), position, "
      "velocity and validity of each axis. Ctrl-C ends with a summary on standard error");
  AddBoardArgument(*read, options->board);
  read->add_option("-n,--count", options->count, "Number of samples (default: until Ctrl-C)")
      ->check(WholeCount());
  read->add_option("-r,--rate", options->rate, "Samples per second (default: as fast as possible)")
      ->check(RealBetween(0.001, 1e6));
  read->add_option("-u,--units", options->units, "raw counts, mm and mm/s, or inch and in/s (default raw)")
      ->check(CLI::IsMember(NamesOf(kUnitNames), CLI::ignore_case));
  read->add_option("--fold", options->folds, "Optic fold factor of A1,A2,A3: each 2, 4 or 8 (default 2,2,2)")
      ->delimiter(',')
      ->expected(ZEMTRA_AXIS_COUNT)
      ->allow_extra_args(false)
      ->check(CLI::IsMember({2, 4, 8}));
  read->add_option("-f,--format", options->format,
                   "table (aligned, locale separators), csv, or json (one object per line) (default table)")
      ->check(CLI::IsMember(NamesOf(kFormatNames), CLI::ignore_case));
  read->add_option("--preset", options->presets,
                   "Load positions first, e.g. A1=0,A2=0,A3=0 (raw counts): a log that starts from a known origin")
      ->delimiter(',')
      ->allow_extra_args(false);
  return {read, [options] { return RunRead(*options); }};
}

}  // namespace zemtra::cli
