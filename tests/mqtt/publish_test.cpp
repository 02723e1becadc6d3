// zemtra publish against a real mosquitto broker on a loopback port.
#include <signal.h>

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "mqtt_support.h"

namespace zemtra::mqtt::test {
namespace {

using nlohmann::json;

// The value at `path`, or null where the payload has none: most messages lack
// most fields, and a const lookup of a missing key is undefined.
json Field(const Message& m, const char* path) {
  const json::json_pointer pointer(path);
  return m.payload.contains(pointer) ? m.payload[pointer] : json();
}

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only where the package cannot be installed; scripts/install-deps.sh installs it.
    if (!Broker::Installed()) GTEST_SKIP() << "mosquitto is not installed: " ZEMTRA_MOSQUITTO_PATH;
  }
  void StartBroker(const std::string& extra = "allow_anonymous true\n") {
    broker_.emplace(extra);
    broker_->Start();
  }
  Subscriber& Subscribe(const Credentials& credentials = {}) {
    subscriber_.emplace(broker_->port(), credentials);
    return *subscriber_;
  }
  Child& Publish(const std::string& sim, std::vector<std::string> args) {
    publisher_.emplace(PublishArgs(broker_->port(), std::move(args)), std::map<std::string, std::string>{{"ZEMTRA_SIM", sim}});
    return *publisher_;
  }
  std::optional<Message> WaitData(const std::string& kind, std::chrono::milliseconds timeout = 5s) {
    return subscriber_->WaitFor(
        [&](const Message& m) { return m.topic.find("/DDATA/") != std::string::npos && Field(m, "/kind") == kind; },
        timeout);
  }

  std::optional<Broker> broker_;
  std::optional<Subscriber> subscriber_;
  std::optional<Child> publisher_;
};

// ---- A session from birth to death ------------------------------------------

struct EndCase {
  int signal;
  bool cleanEnd;  // DDEATH of each board and NDEATH from the publisher, exit 0
};

class SessionTest : public PublishTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(SessionTest, BirthsDataAndDeath) {
  StartBroker();
  Subscriber& sub = Subscribe();
  Child& publisher = Publish("boards=2,id=0x4D27C", {"--all", "--rate", "50", "--batch", "3", "--units", "mm"});

  const auto nodeBirth = sub.WaitForTopic("spBv1.0/zemtra/NBIRTH/n1");
  ASSERT_TRUE(nodeBirth);
  EXPECT_EQ(nodeBirth->payload["seq"], 0);
  EXPECT_EQ(nodeBirth->payload["bdSeq"], 0);
  EXPECT_EQ(nodeBirth->payload["boards"], json({"240-0", "240-1"}));
  const auto deviceBirth = sub.WaitForTopic("spBv1.0/zemtra/DBIRTH/n1/240-1");
  ASSERT_TRUE(deviceBirth);
  EXPECT_EQ(deviceBirth->payload["identity"]["fpga1_product"], 0x4D27C);
  EXPECT_EQ(deviceBirth->payload["identity"]["hardware_revision"], 0x0312);
  EXPECT_EQ(deviceBirth->payload["settings"]["units"], "mm");
  const auto batch = sub.WaitForTopic("spBv1.0/zemtra/DDATA/n1/240-0");
  ASSERT_TRUE(batch);
  ASSERT_EQ(batch->payload["samples"].size(), 3u);
  for (json sample : batch->payload["samples"]) {
    EXPECT_EQ(sample["valid"], json({true, true, true}));
    EXPECT_TRUE(sample["position"][2].is_number_float());
    EXPECT_EQ(sample["utc"].get<std::string>().size(), 27u) << sample["utc"];
  }
  EXPECT_LT(batch->payload["samples"][0]["mono_ns"], batch->payload["samples"][2]["mono_ns"]);

  publisher.Signal(GetParam().signal);
  const auto death = sub.WaitForTopic("spBv1.0/zemtra/NDEATH/n1", 10s);
  ASSERT_TRUE(death);
  EXPECT_EQ(death->payload["bdSeq"], 0);
  EXPECT_EQ(publisher.Wait(5s), GetParam().cleanEnd ? 0 : 128 + SIGKILL);
  EXPECT_EQ(sub.WaitForTopic("DDEATH/n1/240-1", 0s).has_value(), GetParam().cleanEnd);
  if (GetParam().cleanEnd) {
    // The deaths close the node's sequence: NDEATH is the last number.
    EXPECT_EQ(death->payload["seq"], (sub.WaitForTopic("DDEATH/n1/240-1", 0s)->payload["seq"].get<int>() + 1) % 256);
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, SessionTest,
                         ::testing::Values(EndCase{SIGTERM, true}, EndCase{SIGINT, true}, EndCase{SIGKILL, false}));

// ---- Values against an independent read -------------------------------------

class ValuesTest : public PublishTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ValuesTest, PresetPositionsMatchZemtraRead) {
  const std::string units = GetParam();
  const std::string sim = "motion=off";
  const Finished read = RunToEnd({ZEMTRA_CLI_PATH, "read", "--preset", "A1=1000,A2=-2000,A3=3000", "--count", "1",
                                  "--units", units, "--fold", "4,2,8", "--format", "json"},
                                 {{"ZEMTRA_SIM", sim}});
  ASSERT_EQ(read.status, 0) << read.output;
  const json record = json::parse(read.output.substr(0, read.output.find('\n')));

  StartBroker();
  Subscriber& sub = Subscribe();
  Publish(sim, {"--accept-commands", "--rate", "50", "--batch", "1", "--units", units, "--fold", "4,2,8"});
  ASSERT_TRUE(sub.WaitForTopic("DBIRTH/n1/240-0"));
  sub.Send("spBv1.0/zemtra/DCMD/n1/240-0", R"({"command": "preset", "positions": [1000, -2000, 3000]})");
  const auto preset = sub.WaitFor([](const Message& m) {
    return Field(m, "/kind") == "samples" && Field(m, "/samples/0/position/0") != 0;
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
}

INSTANTIATE_TEST_SUITE_P(Units, ValuesTest, ::testing::Values("raw", "mm", "inch"));

// ---- Commands and status changes ----------------------------------------------

struct CommandCase {
  bool accept;
  const char* command;
  const char* refusal;  // nullptr: carried out
};

class CommandTest : public PublishTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, ClearsStatusOrRefuses) {
  StartBroker();
  Subscriber& sub = Subscribe();
  std::vector<std::string> args{"--rate", "20", "--batch", "100"};
  if (GetParam().accept) args.push_back("--accept-commands");
  // A glitching A1 latches Glitch again at every sample.
  Publish("glitch=A1", args);
  const auto birth = sub.WaitForTopic("DBIRTH/n1/240-0");
  ASSERT_TRUE(birth);
  EXPECT_EQ(birth->payload["status"]["A1"]["glitch"], true);
  sub.Send("spBv1.0/zemtra/DCMD/n1/240-0", GetParam().command);
  if (GetParam().refusal) {
    const auto answer = WaitData("command_refused");
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->payload["reason"].get<std::string>().find(GetParam().refusal), std::string::npos)
        << answer->payload;
    EXPECT_FALSE(WaitData("status", 0s));
    return;
  }
  // Cleared, then latched again: both published at once, at QoS 1, ahead of the batch.
  const auto cleared = WaitData("status");
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

// ---- Broker restart -------------------------------------------------------------

TEST_F(PublishTest, ReconnectsAfterBrokerRestartCountingDrops) {
  StartBroker();
  Subscribe();
  Publish("1", {"--rate", "50", "--batch", "5", "--queue", "2"});
  ASSERT_TRUE(subscriber_->WaitForTopic("DDATA/n1/240-0"));
  subscriber_.reset();
  broker_->Stop();
  std::this_thread::sleep_for(1500ms);  // 75 samples: 15 batches for a queue of 2
  broker_->Start();
  Subscriber& sub = Subscribe();
  const auto birth = sub.WaitForTopic("NBIRTH/n1", 20s);
  ASSERT_TRUE(birth);
  EXPECT_EQ(birth->payload["bdSeq"], 1);
  EXPECT_EQ(birth->payload["seq"], 0);
  ASSERT_TRUE(sub.WaitForTopic("DBIRTH/n1/240-0"));
  const auto batch = WaitData("samples");
  ASSERT_TRUE(batch);
  EXPECT_GE(batch->payload["dropped_batches"], 10) << batch->payload;
}

// ---- Refusals ---------------------------------------------------------------------

struct AccessCase {
  const char* password;  // written to the password file
  int exitStatus;
  const char* message;
};

class PasswordTest : public PublishTest, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(PasswordTest, BrokerWithPasswordsAndAcl) {
  broker_.emplace("allow_anonymous false\npassword_file {dir}/passwd\nacl_file {dir}/acl\n");
  const std::string dir = broker_->dir().path();
  broker_->dir().File("acl", "user edge\ntopic readwrite spBv1.0/#\n");
  ASSERT_EQ(RunToEnd({"/usr/bin/mosquitto_passwd", "-c", "-b", dir + "/passwd", "edge", "s3cret"}).status, 0);
  broker_->Start();
  Subscriber& sub = Subscribe({"edge", "s3cret", ""});
  const std::string file = broker_->dir().File("password", GetParam().password);
  const Finished run = RunToEnd(PublishArgs(broker_->port(), {"--username", "edge", "--password-file", file,
                                                               "--count", "2", "--rate", "20"}),
                                {{"ZEMTRA_SIM", "1"}});
  EXPECT_EQ(run.status, GetParam().exitStatus) << run.output;
  EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
  EXPECT_EQ(sub.WaitForTopic("NBIRTH/n1", 0s).has_value(), GetParam().exitStatus == 0);
}

INSTANTIATE_TEST_SUITE_P(Passwords, PasswordTest,
                         ::testing::Values(AccessCase{"s3cret\n", 0, "samples per board 2"},
                                           AccessCase{"wrong\n", 1, "refused the connection: Connection Refused: not authorised"},
                                           AccessCase{"", 2, "the first line is empty"}));

class TlsTest : public PublishTest, public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(TlsTest, BrokerCertificateChecked) {
  broker_.emplace("allow_anonymous true\ncafile {dir}/ca.pem\ncertfile {dir}/server.pem\nkeyfile {dir}/server.key\n");
  const std::string dir = broker_->dir().path() + "/";
  const auto openssl = [](std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/openssl");
    const Finished run = RunToEnd(args);
    EXPECT_EQ(run.status, 0) << run.output;
  };
  for (const std::string ca : {"ca", "other"}) {
    openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=" + ca, "-keyout",
             dir + ca + ".key", "-out", dir + ca + ".pem"});
  }
  openssl({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", dir + "server.key", "-out",
           dir + "server.csr"});
  broker_->dir().File("san", "subjectAltName=IP:127.0.0.1\n");
  openssl({"x509", "-req", "-in", dir + "server.csr", "-CA", dir + "ca.pem", "-CAkey", dir + "ca.key",
           "-CAcreateserial", "-days", "1", "-extfile", dir + "san", "-out", dir + "server.pem"});
  broker_->Start();
  std::vector<std::string> args = PublishArgs(broker_->port(), {"--cafile", dir + GetParam().first + ".pem", "--count", "2"});
  args[3] = "mqtts://127.0.0.1:" + std::to_string(broker_->port());
  const Finished run = RunToEnd(args, {{"ZEMTRA_SIM", "1"}});
  EXPECT_NE(run.output.find(GetParam().second), std::string::npos) << run.output;
  EXPECT_EQ(run.status, std::string(GetParam().first) == "ca" ? 0 : 1) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Authorities, TlsTest,
                         ::testing::Values(std::pair{"ca", "samples per board 2"},
                                           std::pair{"other", "certificate verify failed"}));

// ---- Bad usage: refused before any connection -------------------------------------

class UsageTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(UsageTest, ExitsWithTwo) {
  std::vector<std::string> args{ZEMTRA_CLI_PATH, "publish"};
  args.insert(args.end(), GetParam().begin(), GetParam().end());
  const Finished run = RunToEnd(args, {{"ZEMTRA_SIM", "2"}});
  EXPECT_EQ(run.status, 2) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Options, UsageTest,
    ::testing::Values(std::vector<std::string>{},
                      std::vector<std::string>{"--broker", "http://127.0.0.1"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1:0"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1:1883/x"},
                      std::vector<std::string>{"--broker", "mqtt://:1883"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--node", "a/b"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--group", "#"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--qos-data", "2"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--batch", "0"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--rate", "nan"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--all", "240:0"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--password-file", "/etc/hostname"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--username", "u", "--password-file",
                                               "/nonexistent"},
                      std::vector<std::string>{"--broker", "mqtt://127.0.0.1", "--cafile", "/etc/hostname"},
                      std::vector<std::string>{"--broker", "mqtts://127.0.0.1", "--cert", "/etc/hostname"}));

}  // namespace
}  // namespace zemtra::mqtt::test
