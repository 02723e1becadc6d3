// A real mosquitto broker on a free loopback port with a generated
// configuration in a temporary directory, a subscriber that records what the
// broker delivers, and `zemtra publish` runs as child processes. Every wait
// is bounded; the broker and the children are stopped in the destructors.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct mosquitto;
struct mosquitto_message;

namespace zemtra::mqtt::test {

using namespace std::chrono_literals;

// A temporary directory, removed with its files.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string File(const std::string& name, const std::string& text) const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs a program to its end (killed after 60 s); output of both streams.
struct Finished {
  int status = -1;
  std::string output;
};
Finished RunToEnd(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});

class Child {
 public:
  Child(const std::vector<std::string>& args, const std::map<std::string, std::string>& env);
  ~Child();
  void Signal(int signal) const;
  // Exit status, or 128 + signal; -1 when it did not end within the timeout.
  int Wait(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

class Broker {
 public:
  // `extra`: lines added to the listener's configuration; {dir} in them is
  // replaced by the temporary directory. Start() runs it.
  explicit Broker(const std::string& extra = "allow_anonymous true\n");
  static bool Installed();
  ~Broker();
  void Start();
  void Stop();
  int port() const { return port_; }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  int port_ = 0;
  std::optional<Child> process_;
};

struct Message {
  std::string topic;
  nlohmann::json payload;
  int qos = 0;
};

struct Credentials {
  std::string username, password, caFile;
};

class Subscriber {
 public:
  Subscriber(int port, const Credentials& credentials = {});
  ~Subscriber();
  // The first message so far or within the timeout (5 s) that matches.
  std::optional<Message> WaitFor(const std::function<bool(const Message&)>& match,
                                 std::chrono::milliseconds timeout = 5s);
  std::optional<Message> WaitForTopic(const std::string& topicPart, std::chrono::milliseconds timeout = 5s);
  void Send(const std::string& topic, const std::string& payload);

 private:
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
  mosquitto* client_ = nullptr;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Message> messages_;
};

// `zemtra publish` to the broker as node "n1", with the given ZEMTRA_SIM.
std::vector<std::string> PublishArgs(int port, std::vector<std::string> more);

}  // namespace zemtra::mqtt::test
