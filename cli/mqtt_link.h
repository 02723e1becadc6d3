// One MQTT session to the broker through libmosquitto: the first connection
// is made in the caller's thread so that a refusal (wrong password, a broker
// certificate the CA does not sign) becomes an error at once; after that a
// network thread keeps the session and reconnects with exponential backoff,
// capped, re-registering the node's death message as the last will each time.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "broker_address.h"

struct mosquitto;
struct mosquitto_message;

namespace zemtra::cli {

struct LinkOptions {
  BrokerAddress broker;
  std::string clientId;
  std::string username;  // empty: anonymous
  std::string password;
  std::string caFile;    // TLS only
  std::string certFile;  // client certificate, optional
  std::string keyFile;
};

class MqttLink {
 public:
  // `willTopic` and `willPayload(bdSeq)`: the death message the broker sends
  // when the session drops (none when the topic is empty); bdSeq counts the
  // sessions of this process from 0.
  MqttLink(const LinkOptions& options, std::string willTopic, std::function<std::string(uint64_t)> willPayload);
  ~MqttLink();
  MqttLink(const MqttLink&) = delete;
  MqttLink& operator=(const MqttLink&) = delete;

  // Connects and waits for the broker's answer (at most timeoutMs); throws
  // BoardError naming the reason when there is none or it is a refusal.
  void Connect(int timeoutMs);

  // Subscribes to `filter` in every session; what arrives is kept for TakeInbox.
  void SubscribeAlways(std::string filter) { subscription_ = std::move(filter); }
  // Messages received since the last call: topic and payload.
  std::vector<std::pair<std::string, std::string>> TakeInbox();

  bool connected() const { return connected_; }
  // Sessions established so far: a change means births are due again.
  uint64_t sessions() const { return sessions_; }
  uint64_t bdSeq() const { return bdSeq_; }

  // False when the message could not be handed to the session (not connected).
  bool Publish(const std::string& topic, const std::string& payload, int qos);
  // Waits until every handed-over message has been written (QoS 0) or
  // acknowledged (QoS 1), at most timeoutMs; then ends the session cleanly,
  // so the broker does not send the will.
  void Close(int timeoutMs);

 private:
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnPublish(mosquitto*, void* self, int mid);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
  static void OnLog(mosquitto*, void* self, int level, const char* text);
  void SetWill();

  mosquitto* client_ = nullptr;
  std::string host_;
  int port_ = 0;
  std::string willTopic_;
  std::function<std::string(uint64_t)> willPayload_;
  std::atomic<bool> connected_{false};
  std::atomic<uint64_t> sessions_{0};
  std::atomic<uint64_t> bdSeq_{0};
  std::atomic<int> connackCode_{-1};
  std::atomic<int64_t> unfinished_{0};
  bool threadRunning_ = false;
  std::mutex logMutex_;
  std::string lastError_;
  std::string subscription_;
  std::mutex inboxMutex_;
  std::vector<std::pair<std::string, std::string>> inbox_;
};

}  // namespace zemtra::cli
