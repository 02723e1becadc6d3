#include "mqtt_link.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "failures.h"

namespace zemtra::cli {

namespace {

constexpr int kKeepAliveS = 10;
constexpr unsigned kReconnectFirstS = 1;
constexpr unsigned kReconnectCapS = 30;

struct LibraryUse {
  LibraryUse() { mosquitto_lib_init(); }
  ~LibraryUse() { mosquitto_lib_cleanup(); }
};

void CheckSetting(const char* what, int rc) {
  if (rc != MOSQ_ERR_SUCCESS) throw UsageError(std::string(what) + ": " + mosquitto_strerror(rc));
}

}  // namespace

MqttLink::MqttLink(const LinkOptions& options, std::string willTopic, std::function<std::string(uint64_t)> willPayload)
    : willTopic_(std::move(willTopic)), willPayload_(std::move(willPayload)) {
  static LibraryUse library;
  client_ = mosquitto_new(options.clientId.c_str(), true, this);
  if (client_ == nullptr) throw BoardError("cannot create an MQTT client");
  mosquitto_connect_callback_set(client_, OnConnect);
  mosquitto_disconnect_callback_set(client_, OnDisconnect);
  mosquitto_publish_callback_set(client_, OnPublish);
  mosquitto_message_callback_set(client_, OnMessage);
  mosquitto_log_callback_set(client_, OnLog);
  mosquitto_reconnect_delay_set(client_, kReconnectFirstS, kReconnectCapS, true);
  if (!options.username.empty()) {
    CheckSetting("username", mosquitto_username_pw_set(client_, options.username.c_str(), options.password.c_str()));
  }
  if (options.broker.tls) {
    CheckSetting("TLS files",
                 mosquitto_tls_set(client_, options.caFile.empty() ? nullptr : options.caFile.c_str(), nullptr,
                                   options.certFile.empty() ? nullptr : options.certFile.c_str(),
                                   options.keyFile.empty() ? nullptr : options.keyFile.c_str(), nullptr));
  }
  SetWill();
  host_ = options.broker.host;
  port_ = options.broker.port;
}

MqttLink::~MqttLink() {
  if (threadRunning_) {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
  }
  mosquitto_destroy(client_);
}

void MqttLink::SetWill() {
  if (willTopic_.empty()) return;
  const std::string payload = willPayload_(bdSeq_);
  mosquitto_will_set(client_, willTopic_.c_str(), static_cast<int>(payload.size()), payload.data(), 1, false);
}

void MqttLink::Connect(int timeoutMs) {
  const std::string where = host_ + ":" + std::to_string(port_);
  int rc = mosquitto_connect(client_, host_.c_str(), port_, kKeepAliveS);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (rc == MOSQ_ERR_SUCCESS && connackCode_ < 0 && std::chrono::steady_clock::now() < deadline) {
    rc = mosquitto_loop(client_, 50, 1);
  }
  const auto reason = [&](const std::string& fallback) {
    std::lock_guard lock(logMutex_);
    return lastError_.empty() ? fallback : fallback + " (" + lastError_ + ")";
  };
  if (connackCode_ > 0) {
    throw BoardError("the broker at " + where + " refused the connection: " + mosquitto_connack_string(connackCode_));
  }
  if (rc == MOSQ_ERR_ERRNO) throw BoardError("cannot reach the broker at " + where + ": " + reason(std::strerror(errno)));
  if (rc != MOSQ_ERR_SUCCESS) throw BoardError("cannot reach the broker at " + where + ": " + reason(mosquitto_strerror(rc)));
  if (connackCode_ < 0) throw BoardError("no answer from the broker at " + where + " within " + std::to_string(timeoutMs / 1000) + " s");
  CheckSetting("MQTT network thread", mosquitto_loop_start(client_));
  threadRunning_ = true;
}

bool MqttLink::Publish(const std::string& topic, const std::string& payload, int qos) {
  if (!connected_) return false;
  ++unfinished_;
  if (mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), qos,
                        false) != MOSQ_ERR_SUCCESS) {
    --unfinished_;
    return false;
  }
  return true;
}

void MqttLink::Close(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (connected_ && unfinished_ > 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (threadRunning_) {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    threadRunning_ = false;
  }
}

void MqttLink::OnConnect(mosquitto*, void* self, int rc) {
  auto* link = static_cast<MqttLink*>(self);
  link->connackCode_ = rc;
  if (rc != 0) return;
  link->unfinished_ = 0;
  if (!link->subscription_.empty()) mosquitto_subscribe(link->client_, nullptr, link->subscription_.c_str(), 1);
  link->connected_ = true;
  ++link->sessions_;
}

void MqttLink::OnDisconnect(mosquitto*, void* self, int) {
  auto* link = static_cast<MqttLink*>(self);
  if (!link->connected_.exchange(false)) return;
  // The next session is a new birth: its death message must carry its bdSeq.
  ++link->bdSeq_;
  link->SetWill();
}

void MqttLink::OnPublish(mosquitto*, void* self, int) { --static_cast<MqttLink*>(self)->unfinished_; }

void MqttLink::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* link = static_cast<MqttLink*>(self);
  std::lock_guard lock(link->inboxMutex_);
  // Commands are rare; a flood beyond this is not kept.
  if (link->inbox_.size() < 1000) {
    link->inbox_.emplace_back(message->topic,
                              std::string(static_cast<const char*>(message->payload), static_cast<size_t>(message->payloadlen)));
  }
}

std::vector<std::pair<std::string, std::string>> MqttLink::TakeInbox() {
  std::lock_guard lock(inboxMutex_);
  return std::exchange(inbox_, {});
}

void MqttLink::OnLog(mosquitto*, void* self, int level, const char* text) {
  if (level != MOSQ_LOG_ERR) return;
  auto* link = static_cast<MqttLink*>(self);
  std::lock_guard lock(link->logMutex_);
  link->lastError_ = text;
}

}  // namespace zemtra::cli
