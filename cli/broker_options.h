// The options both MQTT commands take to reach the broker: --broker, the
// user name and password file, and the TLS files.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "mqtt_link.h"

namespace zemtra::cli {

struct BrokerOptions {
  std::string broker;
  std::string username;
  std::string passwordFile;
  std::string caFile;
  std::string certFile;
  std::string keyFile;
};

void AddBrokerOptions(CLI::App& command, BrokerOptions& options);

// Checks the combination (UsageError) and reads the password file.
LinkOptions LinkOptionsOf(const BrokerOptions& options, const std::string& clientId);

}  // namespace zemtra::cli
