#include "mqtt_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

namespace zemtra::mqtt::test {

namespace {

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

pid_t Spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env, int output) {
  std::vector<std::string> environment{"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"};
  for (const auto& [name, value] : env) environment.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  for (const auto& item : environment) envp.push_back(const_cast<char*>(item.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // A test that dies must not leave a broker or a publisher holding
    // ctest's output pipe open.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (output >= 0) {
      dup2(output, 1);
      dup2(output, 2);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

int WaitPid(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(10ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zemtra-mqtt-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

TempDir::~TempDir() { std::filesystem::remove_all(path_); }

std::string TempDir::File(const std::string& name, const std::string& text) const {
  const std::string file = path_ + "/" + name;
  std::ofstream(file) << text;
  return file;
}

Finished RunToEnd(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
  TempDir dir;
  const std::string file = dir.File("output", "");
  const int output = open(file.c_str(), O_WRONLY | O_CLOEXEC);
  const pid_t pid = Spawn(args, env, output);
  close(output);
  Finished finished;
  finished.status = WaitPid(pid, 60s);
  if (finished.status < 0) {
    kill(pid, SIGKILL);
    WaitPid(pid, 5s);
  }
  std::ifstream in(file);
  finished.output.assign(std::istreambuf_iterator<char>(in), {});
  return finished;
}

Child::Child(const std::vector<std::string>& args, const std::map<std::string, std::string>& env)
    : pid_(Spawn(args, env, -1)) {}

Child::~Child() {
  if (status_ >= 0) return;
  kill(pid_, SIGKILL);
  WaitPid(pid_, 5s);
}

void Child::Signal(int signal) const { kill(pid_, signal); }

int Child::Wait(std::chrono::milliseconds timeout) {
  if (status_ < 0) status_ = WaitPid(pid_, timeout);
  return status_;
}

bool Broker::Installed() { return access(ZEMTRA_MOSQUITTO_PATH, X_OK) == 0; }

Broker::Broker(const std::string& extra) {
  port_ = FreeLoopbackPort();
  std::string lines = extra;
  for (size_t at; (at = lines.find("{dir}")) != std::string::npos;) lines.replace(at, 5, dir_.path());
  dir_.File("mosquitto.conf", "user root\npersistence false\nlistener " + std::to_string(port_) + " 127.0.0.1\n" + lines);
}

Broker::~Broker() { Stop(); }

void Broker::Start() {
  process_.emplace(std::vector<std::string>{ZEMTRA_MOSQUITTO_PATH, "-c", dir_.path() + "/mosquitto.conf"},
                   std::map<std::string, std::string>{});
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!Accepts(port_) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(Accepts(port_)) << "mosquitto did not listen on 127.0.0.1:" << port_;
}

void Broker::Stop() {
  if (!process_) return;
  process_->Signal(SIGTERM);
  process_->Wait(5s);
  process_.reset();
}

Subscriber::Subscriber(int port, const Credentials& credentials) {
  mosquitto_lib_init();
  client_ = mosquitto_new(nullptr, true, this);
  mosquitto_message_callback_set(client_, OnMessage);
  if (!credentials.username.empty()) {
    mosquitto_username_pw_set(client_, credentials.username.c_str(), credentials.password.c_str());
  }
  if (!credentials.caFile.empty()) mosquitto_tls_set(client_, credentials.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(mosquitto_connect(client_, "127.0.0.1", port, 10), MOSQ_ERR_SUCCESS);
  EXPECT_EQ(mosquitto_subscribe(client_, nullptr, "spBv1.0/#", 1), MOSQ_ERR_SUCCESS);
  mosquitto_loop_start(client_);
  // The subscription is in place once a message of our own comes back.
  Send("spBv1.0/ready", "{}");
  EXPECT_TRUE(WaitForTopic("spBv1.0/ready")) << "the subscriber got no answer from the broker";
}

Subscriber::~Subscriber() {
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, true);
  mosquitto_destroy(client_);
}

void Subscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* subscriber = static_cast<Subscriber*>(self);
  const std::string text(static_cast<const char*>(message->payload), static_cast<size_t>(message->payloadlen));
  std::lock_guard lock(subscriber->mutex_);
  subscriber->messages_.push_back({message->topic, nlohmann::json::parse(text, nullptr, false), message->qos});
  subscriber->arrived_.notify_all();
}

std::optional<Message> Subscriber::WaitFor(const std::function<bool(const Message&)>& match,
                                           std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  std::optional<Message> found;
  arrived_.wait_for(lock, timeout, [&] {
    for (const Message& message : messages_) {
      if (match(message)) found = message;
      if (found) return true;
    }
    return false;
  });
  return found;
}

std::optional<Message> Subscriber::WaitForTopic(const std::string& topicPart, std::chrono::milliseconds timeout) {
  return WaitFor([&](const Message& m) { return m.topic.find(topicPart) != std::string::npos; }, timeout);
}

void Subscriber::Send(const std::string& topic, const std::string& payload) {
  mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, false);
}

std::vector<std::string> PublishArgs(int port, std::vector<std::string> more) {
  std::vector<std::string> args{ZEMTRA_CLI_PATH, "publish", "--broker", "mqtt://127.0.0.1:" + std::to_string(port),
                                "--node", "n1"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

}  // namespace zemtra::mqtt::test
