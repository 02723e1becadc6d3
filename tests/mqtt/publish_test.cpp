// zemtra publish against a mosquitto of each test's own on a free loopback port; every wait is bounded.
#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "fleet_table.h"
#include "tool_runner.h"

namespace zemtra::mqtt::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using Args = std::vector<std::string>;

class Child {
 public:
  // `output`: a file for standard output, if not empty.
  Child(const Args& args, Args environment = {}, const std::string& output = "") {
    environment.insert(environment.end(), {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"});
    std::vector<char*> argv, envp;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    for (const auto& item : environment) envp.push_back(const_cast<char*>(item.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      // A dying test must not leave a child holding ctest's output pipe open.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (!output.empty()) dup2(open(output.c_str(), O_WRONLY | O_CLOEXEC), 1);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
  }
  ~Child() {
    if (status_ >= 0) return;
    kill(pid_, SIGKILL);
    Wait(5s);
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // Exit status, or 128 + signal; -1 when it did not end within the timeout.
  int Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (status_ < 0 && waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      std::this_thread::sleep_for(10ms);
    }
    if (status_ < 0) status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// A socket connected to, or bound at, a port of 127.0.0.1; 0 binds a free one.
int LoopbackSocket(int port, bool connectIt) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  auto* any = reinterpret_cast<sockaddr*>(&address);
  const bool done = connectIt ? connect(fd, any, length) == 0
                              : bind(fd, any, length) == 0 && getsockname(fd, any, &length) == 0;
  close(fd);
  return done ? ntohs(address.sin_port) : -1;
}

struct Message {
  std::string topic;
  json payload;
  int qos = 0;
};

// The value at `path`, or null: a const lookup of a missing key is undefined.
json Field(const Message& m, const char* path) {
  const json::json_pointer pointer(path);
  return m.payload.contains(pointer) ? m.payload[pointer] : json();
}

// A mosquitto broker, and mosquitto_sub recording what it delivers in a file:
// "QOS TOPIC PAYLOAD" a line.
class Broker {
 public:
  // `extra`: the listener's configuration lines; `login`: the subscriber's options.
  Broker(const std::string& extra, const Args& login)
      : port_(LoopbackSocket(0, false)), login_{"-h", "127.0.0.1", "-p", std::to_string(port_), "-q", "1"} {
    for (const std::string& item : login) login_.push_back(InDir(item));
    File("mosquitto.conf", "user root\npersistence false\nlistener " + std::to_string(port_) + " 127.0.0.1\n" + InDir(extra));
  }
  // `text` with {dir} replaced by the broker's directory, with its slash.
  std::string InDir(std::string text) const {
    for (size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir_);
    return text;
  }
  ~Broker() {
    Stop();
    std::filesystem::remove_all(dir_);
  }
  std::string File(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ + name) << text;
    return dir_ + name;
  }
  void Start() {
    broker_.emplace(Args{ZEMTRA_MOSQUITTO_PATH, "-c", dir_ + "mosquitto.conf"});
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (LoopbackSocket(port_, true) < 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    ASSERT_GT(LoopbackSocket(port_, true), 0) << "mosquitto did not listen on 127.0.0.1:" << port_;
    Args args{"/usr/bin/mosquitto_sub", "-t", "spBv1.0/#", "-F", "%q %t %p"};
    args.insert(args.end(), login_.begin(), login_.end());
    File("messages", "");  // nothing of an earlier subscriber
    subscriber_.emplace(args, Args{}, dir_ + "messages");
    // The subscription is in place once a message of our own comes back.
    for (int tries = 0; tries < 20 && !WaitForTopic("spBv1.0/ready", 250ms); ++tries) Send("spBv1.0/ready", "{}");
    ASSERT_TRUE(WaitForTopic("spBv1.0/ready", 0s)) << "the subscriber got no answer from the broker";
  }
  void Stop() {
    subscriber_.reset();
    broker_.reset();
  }
  // The first message so far or within the timeout that matches.
  std::optional<Message> WaitFor(const std::function<bool(const Message&)>& match, std::chrono::milliseconds timeout = 5s) {
    for (const auto deadline = std::chrono::steady_clock::now() + timeout;; std::this_thread::sleep_for(20ms)) {
      std::ifstream in(dir_ + "messages");
      Message m;
      // A line without its end is still being written.
      for (std::string payload; in >> m.qos >> m.topic && in.get() == ' ' && std::getline(in, payload) && !in.eof();) {
        m.payload = json::parse(payload, nullptr, false);
        if (match(m)) return m;
      }
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    }
  }
  std::optional<Message> WaitForTopic(const std::string& part, std::chrono::milliseconds timeout = 5s) {
    return WaitFor([&](const Message& m) { return m.topic.find(part) != std::string::npos; }, timeout);
  }
  std::optional<Message> WaitData(const std::string& kind, std::chrono::milliseconds timeout = 5s) {
    return WaitFor([&](const Message& m) { return m.topic.find("/DDATA/") != std::string::npos && Field(m, "/kind") == kind; },
                   timeout);
  }
  void Send(const std::string& topic, const std::string& payload) {
    Args args{"/usr/bin/mosquitto_pub", "-t", topic, "-m", payload};
    args.insert(args.end(), login_.begin(), login_.end());
    EXPECT_EQ(Child(args).Wait(10s), 0) << "mosquitto_pub " << topic;
  }
  int port() const { return port_; }
  const std::string& dir() const { return dir_; }

 private:
  const std::string dir_ = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "zemtra-mqtt-XXXXXX").string();
    return mkdtemp(pattern.data()) + std::string("/");
  }();
  int port_;
  Args login_;
  std::optional<Child> broker_, subscriber_;
};

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only where the package cannot be installed; scripts/install-deps.sh installs it.
    if (access(ZEMTRA_MOSQUITTO_PATH, X_OK) != 0) GTEST_SKIP() << "mosquitto is not installed: " ZEMTRA_MOSQUITTO_PATH;
  }
  Broker& StartBroker() {
    broker_.emplace("allow_anonymous true\n", Args{});
    broker_->Start();
    return *broker_;
  }
  // `zemtra publish` to the broker as node "n1".
  Args PublishArgs(const Args& more, const char* scheme = "mqtt") const {
    Args args{"publish", "--broker", scheme + ("://127.0.0.1:" + std::to_string(broker_->port())), "--node", "n1"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  Child& Publish(const std::string& sim, const Args& more) {
    Args args = PublishArgs(more);
    args.insert(args.begin(), ZEMTRA_CLI_PATH);
    return publisher_.emplace(args, Args{"ZEMTRA_SIM=" + sim});
  }

  std::optional<Broker> broker_;
  std::optional<Child> publisher_;
};

// A session from birth to death, its values against an independent read.
struct SessionCase {
  const char* units;
  int signal;
  bool cleanEnd;  // DDEATH of each board and NDEATH from the publisher, exit 0
};

class SessionTest : public PublishTest, public ::testing::WithParamInterface<SessionCase> {};

TEST_P(SessionTest, BirthsDataPresetAndDeath) {
  const std::string sim = "boards=2,id=0x4D27C,motion=off", units = GetParam().units;
  const cli::test::ToolRun read = cli::test::RunTool({"read", "--preset", "A1=1000,A2=-2000,A3=3000", "--count", "1",
                                                      "--units", units, "--fold", "4,2,8", "--format", "json"},
                                                     {.sim = sim});
  ASSERT_EQ(read.status, 0) << read.err;
  const json record = json::parse(read.out.substr(0, read.out.find('\n')));
  Broker& sub = StartBroker();
  Child& publisher =
      Publish(sim, {"--all", "--accept-commands", "--rate", "50", "--batch", "3", "--units", units, "--fold", "4,2,8"});

  const auto nodeBirth = sub.WaitForTopic("spBv1.0/zemtra/NBIRTH/n1");
  ASSERT_TRUE(nodeBirth);
  EXPECT_EQ(nodeBirth->payload["seq"], 0);
  EXPECT_EQ(nodeBirth->payload["bdSeq"], 0);
  EXPECT_EQ(nodeBirth->payload["boards"], json({"240-0", "240-1"}));
  const auto deviceBirth = sub.WaitForTopic("spBv1.0/zemtra/DBIRTH/n1/240-1");
  ASSERT_TRUE(deviceBirth);
  EXPECT_EQ(deviceBirth->payload["identity"]["fpga1_product"], 0x4D27C);
  EXPECT_EQ(deviceBirth->payload["identity"]["hardware_revision"], 0x0312);
  EXPECT_EQ(deviceBirth->payload["settings"]["units"], units);
  const auto batch = sub.WaitForTopic("spBv1.0/zemtra/DDATA/n1/240-0");
  ASSERT_TRUE(batch);
  ASSERT_EQ(batch->payload["samples"].size(), 3u);
  for (json sample : batch->payload["samples"]) {
    EXPECT_EQ(sample["valid"], json({true, true, true}));
    EXPECT_EQ(sample["position"][2].is_number_float(), units != "raw");
    EXPECT_EQ(sample["utc"].get<std::string>().size(), 27u) << sample["utc"];
  }
  EXPECT_LT(batch->payload["samples"][0]["mono_ns"], batch->payload["samples"][2]["mono_ns"]);

  sub.Send("spBv1.0/zemtra/DCMD/n1/240-0", R"({"command": "preset", "positions": [1000, -2000, 3000]})");
  const auto preset = sub.WaitFor([](const Message& m) {
    return m.topic.ends_with("/240-0") && Field(m, "/kind") == "samples" && Field(m, "/samples/0/position/0") != 0;
  });
  ASSERT_TRUE(preset);
  json sample = preset->payload.at("samples").at(0);
  for (size_t axis = 0; axis < 3; ++axis) {
    for (const auto& [field, name] : {std::pair{"position", "pos"}, std::pair{"velocity", "vel"}}) {
      const std::string prefix = "a" + std::to_string(axis + 1) + "_" + name;
      const auto independent = std::find_if(record.items().begin(), record.items().end(),
                                            [&](const auto& item) { return item.key().starts_with(prefix); });
      ASSERT_NE(independent, record.items().end()) << prefix;
      EXPECT_EQ(sample[field][axis], independent.value()) << prefix;
    }
  }

  publisher.Signal(GetParam().signal);
  const auto death = sub.WaitForTopic("spBv1.0/zemtra/NDEATH/n1", 10s);
  ASSERT_TRUE(death);
  EXPECT_EQ(death->payload["bdSeq"], 0);
  EXPECT_EQ(publisher.Wait(5s), GetParam().cleanEnd ? 0 : 128 + SIGKILL);
  const auto deviceDeath = sub.WaitForTopic("DDEATH/n1/240-1", 0s);
  ASSERT_EQ(deviceDeath.has_value(), GetParam().cleanEnd);
  if (!deviceDeath) return;
  // The deaths close the node's sequence: NDEATH is the last number.
  EXPECT_EQ(death->payload["seq"], (deviceDeath->payload["seq"].get<int>() + 1) % 256);
}

INSTANTIATE_TEST_SUITE_P(Ends, SessionTest,
                         ::testing::Values(SessionCase{"raw", SIGTERM, true}, SessionCase{"mm", SIGINT, true},
                                           SessionCase{"inch", SIGKILL, false}));

struct CommandCase {
  bool accept;
  const char* command;
  const char* refusal;  // nullptr: carried out
};

class CommandTest : public PublishTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, ClearsStatusOrRefuses) {
  Broker& sub = StartBroker();
  Args args{"--rate", "20", "--batch", "100"};
  if (GetParam().accept) args.push_back("--accept-commands");
  // A glitching A1 latches Glitch again at every sample.
  Publish("glitch=A1", args);
  const auto birth = sub.WaitForTopic("DBIRTH/n1/240-0");
  ASSERT_TRUE(birth);
  EXPECT_EQ(birth->payload["status"]["A1"]["glitch"], true);
  sub.Send("spBv1.0/zemtra/DCMD/n1/240-0", GetParam().command);
  if (GetParam().refusal) {
    const auto answer = sub.WaitData("command_refused");
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->payload["reason"].get<std::string>().find(GetParam().refusal), std::string::npos)
        << answer->payload;
    EXPECT_FALSE(sub.WaitData("status", 0s));
    return;
  }
  // Cleared, then latched again: both published at once, at QoS 1, ahead of the batch.
  const auto cleared = sub.WaitData("status");
  ASSERT_TRUE(cleared);
  EXPECT_EQ(cleared->qos, 1);
  EXPECT_EQ(cleared->payload["previous"]["A1"]["glitch"], true);
  EXPECT_EQ(cleared->payload["status"]["A1"]["glitch"], false);
  const auto again = sub.WaitFor([](const Message& m) {
    return Field(m, "/kind") == "status" && Field(m, "/status/A1/glitch") == true;
  });
  ASSERT_TRUE(again);
  EXPECT_EQ(again->qos, 1);
  EXPECT_FALSE(sub.WaitForTopic("DDATA", 0s)->payload["kind"] == "samples");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandTest,
    ::testing::Values(CommandCase{true, R"({"command": "clear_status"})", nullptr},
                      CommandCase{false, R"({"command": "clear_status"})", "--accept-commands"},
                      CommandCase{true, R"({"command": "jump"})", "unknown command"},
                      CommandCase{true, R"({"command": "preset", "positions": [1, 2]})", "three raw counts"},
                      CommandCase{true, "\xff{", "not a JSON object"}));

TEST_F(PublishTest, ReconnectsAfterBrokerRestartCountingDrops) {
  Broker& sub = StartBroker();
  Publish("1", {"--rate", "50", "--batch", "5", "--queue", "2"});
  ASSERT_TRUE(sub.WaitForTopic("DDATA/n1/240-0"));
  sub.Stop();
  std::this_thread::sleep_for(1500ms);  // 75 samples: 15 batches for a queue of 2
  sub.Start();
  const auto birth = sub.WaitForTopic("NBIRTH/n1", 20s);
  ASSERT_TRUE(birth);
  EXPECT_EQ(birth->payload["bdSeq"], 1);
  EXPECT_EQ(birth->payload["seq"], 0);
  ASSERT_TRUE(sub.WaitForTopic("DBIRTH/n1/240-0"));
  const auto batch = sub.WaitData("samples");
  ASSERT_TRUE(batch);
  EXPECT_GE(batch->payload["dropped_batches"], 10) << batch->payload;
}

struct AccessCase {
  const char* name;
  bool tls;            // else a password file and an ACL
  const char* secret;  // the password file's text, or the authority the publisher trusts
  int exitStatus;
  const char* message;
};

class AccessTest : public PublishTest, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(AccessTest, RefusedOrPublishes) {
  const AccessCase& row = GetParam();
  const auto run = [](const Args& args) { EXPECT_EQ(Child(args).Wait(60s), 0) << args[0]; };
  Args publish{"--count", "2", "--rate", "20"};
  if (row.tls) {
    const std::string dir =
        broker_.emplace("allow_anonymous true\ncafile {dir}ca.pem\ncertfile {dir}ca.pem\nkeyfile {dir}ca.key\n",
                        Args{"--cafile", "{dir}ca.pem"}).dir();
    // Self-signed certificates: the broker's, and one of an authority it does not use.
    for (const std::string name : {"ca", "other"}) {
      run({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
           "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", dir + name + ".key", "-out", dir + name + ".pem"});
    }
    publish.insert(publish.end(), {"--cafile", dir + row.secret + ".pem"});
  } else {
    broker_.emplace("allow_anonymous false\npassword_file {dir}passwd\nacl_file {dir}acl\n", Args{"-u", "edge", "-P", "s3cret"});
    broker_->File("acl", "user edge\ntopic readwrite spBv1.0/#\n");
    run({"/usr/bin/mosquitto_passwd", "-c", "-b", broker_->dir() + "passwd", "edge", "s3cret"});
    publish.insert(publish.end(), {"--username", "edge", "--password-file", broker_->File("password", row.secret)});
  }
  broker_->Start();
  const cli::test::ToolRun published = cli::test::RunTool(PublishArgs(publish, row.tls ? "mqtts" : "mqtt"));
  EXPECT_EQ(published.status, row.exitStatus) << published.err;
  EXPECT_NE(published.err.find(row.message), std::string::npos) << published.err;
  EXPECT_EQ(broker_->WaitForTopic("NBIRTH/n1", row.exitStatus == 0 ? 5s : 0s).has_value(), row.exitStatus == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Brokers, AccessTest,
    ::testing::Values(AccessCase{"Password", false, "s3cret\n", 0, "samples per board 2"},
                      AccessCase{"WrongPassword", false, "wrong\n", 1,
                                 "refused the connection: Connection Refused: not authorised"},
                      AccessCase{"EmptyPassword", false, "", 2, "the first line is empty"},
                      AccessCase{"Tls", true, "ca", 0, "samples per board 2"},
                      AccessCase{"TlsOtherAuthority", true, "other", 1, "certificate verify failed"}),
    [](const auto& row) { return std::string(row.param.name); });

// Bad usage: refused before any connection.
class UsageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(UsageTest, ExitsWithTwo) {
  const cli::test::ToolRun run = cli::test::RunTool(cli::test::Split(std::string("publish ") + GetParam(), ' '), {.sim = "2"});
  EXPECT_EQ(run.status, 2) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Options, UsageTest,
    ::testing::Values("--node n1", "--broker http://127.0.0.1", "--broker mqtt://127.0.0.1:0", "--broker mqtt://127.0.0.1:1883/x",
                      "--broker mqtt://:1883", "--broker mqtt://127.0.0.1 --node a/b",
                      "--broker mqtt://127.0.0.1 --group #", "--broker mqtt://127.0.0.1 --qos-data 2",
                      "--broker mqtt://127.0.0.1 --batch 0", "--broker mqtt://127.0.0.1 --rate nan",
                      "--broker mqtt://127.0.0.1 --all 240:0", "--broker mqtt://127.0.0.1 --password-file /etc/hostname",
                      "--broker mqtt://127.0.0.1 --username u --password-file /nonexistent",
                      "--broker mqtt://127.0.0.1 --cafile /etc/hostname",
                      "--broker mqtts://127.0.0.1 --cert /etc/hostname"));

// The subscriber's table: node deaths, stale deaths, sequence gaps.
struct FleetCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> messages;
  const char* nodeLine;  // the start of the node's line in the table
};

class FleetTableTest : public ::testing::TestWithParam<FleetCase> {};

TEST_P(FleetTableTest, NodeLine) {
  cli::FleetTable table;
  for (const auto& [topic, payload] : GetParam().messages) table.Take(topic, payload);
  const std::string text = table.Render();
  EXPECT_NE(text.find(GetParam().nodeLine), std::string::npos) << text;
}

constexpr const char* kBirth = "spBv1.0/g/NBIRTH/n";
constexpr const char* kData = "spBv1.0/g/DDATA/n/0-1";
constexpr const char* kDeath = "spBv1.0/g/NDEATH/n";

INSTANTIATE_TEST_SUITE_P(
    Sequences, FleetTableTest,
    ::testing::Values(
        FleetCase{"InOrderForeignTypesIgnored",
                  {{kBirth, R"({"seq":0,"bdSeq":3})"}, {kData, R"({"seq":1,"kind":"samples"})"},
                   {kData, R"({"seq":"x","kind":7,"samples":3})"}},
                  "g/n                          alive       3         3      0"},
        FleetCase{"Gap", {{kBirth, R"({"seq":0,"bdSeq":0})"}, {kData, R"({"seq":4,"kind":"samples"})"}},
                  "g/n                          alive       0         2      3"},
        FleetCase{"GapAcrossWrap",
                  {{kData, R"({"seq":254,"kind":"samples"})"}, {kData, R"({"seq":1,"kind":"samples"})"}},
                  "g/n                          alive       0         2      2"},
        FleetCase{"Death", {{kBirth, R"({"seq":0,"bdSeq":2})"}, {kDeath, R"({"bdSeq":2})"}},
                  "g/n                          DEAD        2"},
        FleetCase{"StaleDeathIgnored", {{kBirth, R"({"seq":0,"bdSeq":2})"}, {kDeath, R"({"bdSeq":1})"}},
                  "g/n                          alive       2"}),
    [](const ::testing::TestParamInfo<FleetCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace zemtra::mqtt::test
