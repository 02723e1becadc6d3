// zemtra publish: streams boards to an MQTT broker under Sparkplug B topic
// names with JSON payloads (births, sample batches, status changes, deaths).
#include <strings.h>
#include <time.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <memory>

#include "board.h"
#include "broker_options.h"
#include "commands.h"
#include "device_commands.h"
#include "failures.h"
#include "mqtt_link.h"
#include "option_checks.h"
#include "pacing.h"
#include "publish_queue.h"
#include "stop_signal.h"
#include "telemetry_payloads.h"

namespace zemtra::cli {

namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr int kCloseTimeoutMs = 3000;

struct PublishOptions {
  std::vector<std::string> boards;
  bool all = false;
  BrokerOptions connection;
  std::string group = "zemtra";
  std::string node;  // default: the host name
  double rate = 10;
  unsigned batch = 10;
  std::string units = "raw";
  std::vector<uint16_t> folds{2, 2, 2};
  int qosData = 0;
  uint64_t count = 0;    // samples per board; 0 = until stopped
  double duration = 0;   // seconds; 0 = until stopped
  size_t queue = 1000;   // sample batches held while the broker is unreachable
  bool acceptCommands = false;
};

struct PublishedBoard {
  explicit PublishedBoard(const DeviceLocation& where) : board(where) {}
  OpenBoard board;
  BoardIdentity identity;
  BoardSettings settings;
  uint16_t status = 0;
  bool alive = true;
  std::vector<PublishedSample> samples;
};

Units UnitsOf(const std::string& name) {
  if (strcasecmp(name.c_str(), "mm") == 0) return Units::kMillimetre;
  if (strcasecmp(name.c_str(), "inch") == 0) return Units::kInch;
  return Units::kRaw;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "zemtra";
  return name;
}

// Topic levels may not hold the separators and wildcards of MQTT.
void CheckTopicLevel(const char* what, const std::string& level) {
  if (level.empty() || level.find_first_of("/+#") != std::string::npos) {
    throw UsageError(std::string(what) + " \"" + level + "\" must be non-empty without '/', '+' or '#'");
  }
}

std::vector<DeviceLocation> ChosenBoards(const PublishOptions& options) {
  if (options.all) {
    if (!options.boards.empty()) throw UsageError("give boards or --all, not both");
    std::vector<DeviceLocation> found = FindBoards();
    if (found.empty()) throw NoBoardError();
    return found;
  }
  std::vector<DeviceLocation> chosen;
  for (const std::string& board : options.boards) chosen.push_back(*BoardFromArgument(board));
  if (chosen.empty()) {
    const OpenBoard first(std::nullopt);
    chosen.push_back(first.location());
  }
  return chosen;
}

class Publisher {
 public:
  Publisher(const PublishOptions& options, TopicNames topics, PublishSettings settings, MqttLink& link,
            std::vector<std::unique_ptr<PublishedBoard>>& boards)
      : options_(options), topics_(std::move(topics)), settings_(settings), link_(link), boards_(boards),
        queue_(options.queue, boards.size()) {}

  int Run();

 private:
  void SampleBoard(size_t index, int64_t nowNs, int64_t wallNs);
  void QueueBatch(size_t index);
  bool CheckStatus(size_t index, int64_t nowNs);
  void Bury(size_t index, const std::string& reason);
  void Flush();
  void HandleCommands();
  bool SendBirths();
  bool Send(const std::string& topic, nlohmann::json payload, int qos);

  const PublishOptions& options_;
  TopicNames topics_;
  PublishSettings settings_;
  MqttLink& link_;
  std::vector<std::unique_ptr<PublishedBoard>>& boards_;
  PublishQueue queue_;
  uint64_t birthsFor_ = 0;  // the session whose births went out
  unsigned seq_ = 0;
};

bool Publisher::Send(const std::string& topic, nlohmann::json payload, int qos) {
  payload["seq"] = seq_;
  if (!link_.Publish(topic, payload.dump(), qos)) return false;
  seq_ = (seq_ + 1) % 256;
  return true;
}

bool Publisher::SendBirths() {
  std::vector<DeviceLocation> alive;
  for (const auto& board : boards_) {
    if (board->alive) alive.push_back(board->board.location());
  }
  // A birth starts the node's sequence again.
  seq_ = 0;
  if (!Send(topics_.Node("NBIRTH"), NodeBirth(link_.bdSeq(), alive, settings_), 0)) return false;
  for (const auto& board : boards_) {
    if (!board->alive) continue;
    const nlohmann::json birth =
        DeviceBirth(board->board.location(), board->identity, board->settings, settings_, board->status);
    if (!Send(topics_.Device("DBIRTH", board->board.location()), birth, 0)) return false;
  }
  return true;
}

void Publisher::Flush() {
  if (!link_.connected()) return;
  const uint64_t session = link_.sessions();
  if (session != birthsFor_) {
    if (!SendBirths()) return;
    birthsFor_ = session;
  }
  while (!queue_.empty()) {
    Outgoing& message = queue_.front();
    if (message.batch) {
      const uint64_t dropped = queue_.TakeDropped(message.board);
      message.payload["dropped_batches"] = message.payload["dropped_batches"].get<uint64_t>() + dropped;
    }
    if (!Send(message.topic, message.payload, message.qos)) return;
    queue_.PopFront();
  }
}

void Publisher::QueueBatch(size_t index) {
  PublishedBoard& board = *boards_[index];
  if (board.samples.empty()) return;
  queue_.Push({topics_.Device("DDATA", board.board.location()),
               SampleBatch(board.samples, settings_, board.status, 0), options_.qosData, true, index});
  board.samples.clear();
}

void Publisher::HandleCommands() {
  for (const auto& [topic, payload] : link_.TakeInbox()) {
    const std::string device = topic.substr(topic.rfind('/') + 1);
    for (size_t i = 0; i < boards_.size(); ++i) {
      PublishedBoard& board = *boards_[i];
      if (!board.alive || DeviceName(board.board.location()) != device) continue;
      const std::optional<std::string> refusal =
          options_.acceptCommands ? CarryOutCommand(board.board.handle(), payload)
                                  : std::optional<std::string>("commands are not accepted (start with --accept-commands)");
      if (refusal) {
        queue_.Push({topics_.Device("DDATA", board.board.location()), CommandRefused(payload, *refusal), 1, false, i});
      } else {
        // What the command changed is news before the next sample changes it again.
        CheckStatus(i, MonotonicNs());
      }
    }
  }
}

void Publisher::Bury(size_t index, const std::string& reason) {
  PublishedBoard& board = *boards_[index];
  QueueBatch(index);
  board.alive = false;
  queue_.Push({topics_.Device("DDEATH", board.board.location()), DeviceDeath(reason), 1, false, index});
}

bool Publisher::CheckStatus(size_t index, int64_t nowNs) {
  PublishedBoard& board = *boards_[index];
  uint16_t status = 0;
  const ErrorCode code = ZemtraGetStatus(board.board.handle(), &status);
  if (code != ZEMTRA_SUCCESS) {
    Bury(index, LibraryError("ZemtraGetStatus", code).what());
    return false;
  }
  if (status != board.status) {
    // Alarms go out at once and acknowledged, ahead of the batch in progress.
    queue_.Push({topics_.Device("DDATA", board.board.location()), StatusChange(board.status, status, nowNs), 1,
                 false, index});
    board.status = status;
  }
  return true;
}

void Publisher::SampleBoard(size_t index, int64_t nowNs, int64_t wallNs) {
  PublishedBoard& board = *boards_[index];
  PublishedSample published{{}, wallNs};
  Sample& sample = published.sample;
  sample.elapsedNs = nowNs;
  ErrorCode code = ZemtraGetRawPosVelAll(board.board.handle(), &sample.position[0], &sample.velocity[0],
                                         &sample.position[1], &sample.velocity[1], &sample.position[2],
                                         &sample.velocity[2], &sample.sampleStatus);
  if (code != ZEMTRA_SUCCESS && code != ZEMTRA_ERR_INVALID_DATA) {
    Bury(index, LibraryError("ZemtraGetRawPosVelAll", code).what());
    return;
  }
  if (!CheckStatus(index, nowNs)) return;
  board.samples.push_back(published);
  if (board.samples.size() >= options_.batch) QueueBatch(index);
}

int Publisher::Run() {
  const int64_t startNs = MonotonicNs();
  const int64_t endNs = options_.duration > 0 ? startNs + std::llround(options_.duration * 1e9) : INT64_MAX;
  Pacer pacer(std::llround(1e9 / options_.rate), startNs);
  uint64_t taken = 0;
  size_t alive = boards_.size();
  while (!StopRequested() && (options_.count == 0 || taken < options_.count) && alive > 0) {
    if (!pacer.SleepUntilDeadline()) continue;
    const int64_t nowNs = MonotonicNs();
    if (nowNs >= endNs) break;
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    const int64_t wallNs = static_cast<int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
    HandleCommands();
    for (size_t i = 0; i < boards_.size(); ++i) {
      if (boards_[i]->alive) SampleBoard(i, nowNs, wallNs);
    }
    alive = 0;
    for (const auto& board : boards_) alive += board->alive ? 1 : 0;
    ++taken;
    Flush();
    pacer.Advance(MonotonicNs());
  }
  for (size_t i = 0; i < boards_.size(); ++i) {
    if (boards_[i]->alive) Bury(i, "closed");
  }
  Flush();
  // A clean end announces the node's death itself; the broker sends the will
  // only when the session drops.
  if (link_.connected() && queue_.empty()) Send(topics_.Node("NDEATH"), NodeDeath(link_.bdSeq()), 1);
  link_.Close(kCloseTimeoutMs);
  std::fprintf(stderr, "zemtra publish: samples per board %" PRIu64 ", batches dropped %" PRIu64 ", unsent %s\n",
               taken, queue_.totalDropped(), queue_.empty() ? "none" : "some (broker unreachable at the end)");
  if (alive == 0) throw BoardError("no board left to publish");
  return kExitSuccess;
}

int RunPublish(const PublishOptions& options) {
  const std::string node = options.node.empty() ? HostName() : options.node;
  CheckTopicLevel("--group", options.group);
  CheckTopicLevel("--node", node);
  const LinkOptions linkOptions = LinkOptionsOf(options.connection, "zemtra-" + node + "-" + std::to_string(getpid()));
  const PublishSettings settings{UnitsOf(options.units), {options.folds[0], options.folds[1], options.folds[2]},
                                 options.rate, options.batch};

  std::vector<std::unique_ptr<PublishedBoard>> boards;
  for (const DeviceLocation& where : ChosenBoards(options)) {
    auto board = std::make_unique<PublishedBoard>(where);
    const DeviceHandle handle = board->board.handle();
    board->identity = ReadIdentity(handle);
    Check("ZemtraGetConfig", ZemtraGetConfig(handle, &board->settings.config));
    Check("ZemtraGetFilter", ZemtraGetFilter(handle, &board->settings.filter));
    Check("ZemtraGetInterruptMask", ZemtraGetInterruptMask(handle, &board->settings.interruptMask));
    Check("ZemtraGetStatus", ZemtraGetStatus(handle, &board->status));
    boards.push_back(std::move(board));
  }

  TopicNames topics{options.group, node};
  CatchStopSignals();
  MqttLink link(linkOptions, topics.Node("NDEATH"), [](uint64_t bdSeq) { return NodeDeath(bdSeq).dump(); });
  // Subscribed also without --accept-commands, so that a command is answered
  // with its refusal instead of vanishing.
  link.SubscribeAlways(topics.Node("DCMD") + "/+");
  link.Connect(kConnectTimeoutMs);
  return Publisher(options, topics, settings, link, boards).Run();
}

}  // namespace

Command AddPublishCommand(CLI::App& tool) {
  auto options = std::make_shared<PublishOptions>();
  CLI::App* publish = tool.add_subcommand(
      "publish",
      "Stream boards to an MQTT broker: Sparkplug B topics spBv1.0/GROUP/{NBIRTH,NDEATH}/NODE and "
      "{DBIRTH,DDATA,DDEATH}/NODE/BUS-SLOT with JSON payloads. Ctrl-C or SIGTERM end it with death messages");
  publish->add_option("BOARD", options->boards, "Boards as BUS:SLOT (default: the first board found)");
  publish->add_flag("--all", options->all, "Every board found");
  AddBrokerOptions(*publish, options->connection);
  publish->add_option("--group", options->group, "Sparkplug group id (default zemtra)");
  publish->add_option("--node", options->node, "Sparkplug edge node id (default: the host name)");
  publish->add_option("-r,--rate", options->rate, "Samples per second of each board (default 10)")
      ->check(RealBetween(0.01, 10000));
  publish->add_option("--batch", options->batch, "Samples per DDATA message (default 10)")
      ->check(CLI::Range(1u, 10000u));
  publish->add_option("-u,--units", options->units, "raw counts, mm and mm/s, or inch and in/s (default raw)")
      ->check(CLI::IsMember({"raw", "mm", "inch"}, CLI::ignore_case));
  publish->add_option("--fold", options->folds, "Optic fold factor of A1,A2,A3: each 2, 4 or 8 (default 2,2,2)")
      ->delimiter(',')
      ->expected(ZEMTRA_AXIS_COUNT)
      ->allow_extra_args(false)
      ->check(CLI::IsMember({2, 4, 8}));
  publish->add_option("--qos-data", options->qosData, "QoS of sample batches: 0 or 1 (default 0; status is always 1)")
      ->check(CLI::IsMember({0, 1}));
  publish->add_option("-n,--count", options->count, "Samples per board, then end (default: until stopped)")
      ->check(WholeCount());
  publish->add_option("--duration", options->duration, "Seconds, then end (default: until stopped)")
      ->check(RealBetween(0.001, 1e9));
  publish->add_option("--queue", options->queue,
                      "Sample batches held while the broker is unreachable; the oldest go first (default 1000)")
      ->check(CLI::Range(size_t{1}, size_t{1000000}));
  publish->add_flag("--accept-commands", options->acceptCommands,
                   "Carry out DCMD commands (clear_status, preset); without it they are refused with an error DDATA");
  return {publish, [options] { return RunPublish(*options); }};
}

}  // namespace zemtra::cli
