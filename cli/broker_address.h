// The --broker URL: mqtt://HOST[:PORT] (plain, port 1883) or
// mqtts://HOST[:PORT] (TLS, port 8883).
#pragma once

#include <string>

namespace zemtra::cli {

struct BrokerAddress {
  std::string host;
  int port = 0;
  bool tls = false;
};

// Throws UsageError for anything else (another scheme, an empty host, a port
// outside 1..65535, a path or user part).
BrokerAddress ParseBrokerAddress(const std::string& url);

}  // namespace zemtra::cli
