// zemtra subscribe: a live table of every node and board that publishes
// Sparkplug messages to the broker, as zemtra publish sends them.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>

#include "broker_options.h"
#include "commands.h"
#include "failures.h"
#include "fleet_table.h"
#include "option_checks.h"
#include "pacing.h"
#include "stop_signal.h"

namespace zemtra::cli {

namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr int64_t kPollNs = 50'000'000;

struct SubscribeOptions {
  BrokerOptions connection;
  std::string group = "+";
  double duration = 0;  // 0 = until stopped
};

int RunSubscribe(const SubscribeOptions& options) {
  if (options.group.empty() || options.group.find_first_of("/#") != std::string::npos ||
      (options.group.find('+') != std::string::npos && options.group != "+")) {
    throw UsageError("--group \"" + options.group + "\" must be a group id or +");
  }
  const LinkOptions linkOptions = LinkOptionsOf(options.connection, "zemtra-subscribe-" + std::to_string(getpid()));
  CatchStopSignals();
  MqttLink link(linkOptions, "", [](uint64_t) { return std::string(); });
  link.SubscribeAlways("spBv1.0/" + options.group + "/#");
  link.Connect(kConnectTimeoutMs);

  // A terminal gets the table redrawn in place twice a second; a file or pipe
  // a new table at most once a second, and the last one at the end.
  const bool terminal = isatty(STDOUT_FILENO) != 0;
  const int64_t redrawNs = terminal ? 500'000'000 : 1'000'000'000;
  const int64_t startNs = MonotonicNs();
  const int64_t endNs = options.duration > 0 ? startNs + std::llround(options.duration * 1e9) : INT64_MAX;
  FleetTable table;
  bool changed = true;
  int64_t shownNs = startNs - redrawNs;
  const auto show = [&] {
    std::fputs(terminal ? "\033[H\033[2J" : "\n", stdout);
    std::fputs(table.Render().c_str(), stdout);
    std::fprintf(stdout, "broker %s\n", link.connected() ? "connected" : "unreachable, reconnecting");
    std::fflush(stdout);
    changed = false;
  };
  while (!StopRequested() && MonotonicNs() < endNs) {
    for (const auto& [topic, payload] : link.TakeInbox()) changed = table.Take(topic, payload) || changed;
    const int64_t nowNs = MonotonicNs();
    if (changed && nowNs - shownNs >= redrawNs) {
      show();
      shownNs = nowNs;
    }
    std::this_thread::sleep_for(std::chrono::nanoseconds(kPollNs));
  }
  for (const auto& [topic, payload] : link.TakeInbox()) table.Take(topic, payload);
  show();
  link.Close(0);
  return kExitSuccess;
}

}  // namespace

Command AddSubscribeCommand(CLI::App& tool) {
  auto options = std::make_shared<SubscribeOptions>();
  CLI::App* subscribe = tool.add_subcommand(
      "subscribe",
      "Show a live table of the nodes and boards that publish to an MQTT broker (as zemtra publish does): "
      "alive or dead (NDEATH), sequence gaps, status and the last A1 position. Ctrl-C ends it");
  AddBrokerOptions(*subscribe, options->connection);
  subscribe->add_option("--group", options->group, "Only this Sparkplug group (default: + for every group)");
  subscribe->add_option("--duration", options->duration, "Seconds, then print the table and end (default: until stopped)")
      ->check(RealBetween(0.001, 1e9));
  return {subscribe, [options] { return RunSubscribe(*options); }};
}

}  // namespace zemtra::cli
