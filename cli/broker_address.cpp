#include "broker_address.h"

#include <charconv>
#include <string_view>

#include "failures.h"

namespace zemtra::cli {

BrokerAddress ParseBrokerAddress(const std::string& url) {
  const auto fail = [&url] {
    return UsageError("bad broker \"" + url + "\": expected mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
  };
  BrokerAddress address;
  std::string_view rest = url;
  if (rest.starts_with("mqtt://")) {
    rest.remove_prefix(7);
    address.port = 1883;
  } else if (rest.starts_with("mqtts://")) {
    rest.remove_prefix(8);
    address.port = 8883;
    address.tls = true;
  } else {
    throw fail();
  }
  if (rest.find_first_of("/@?# ") != std::string_view::npos) throw fail();
  const size_t colon = rest.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string_view digits = rest.substr(colon + 1);
    int port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || port < 1 || port > 65535) {
      throw fail();
    }
    address.port = port;
    rest = rest.substr(0, colon);
  }
  if (rest.empty() || rest.find(':') != std::string_view::npos) throw fail();
  address.host = rest;
  return address;
}

}  // namespace zemtra::cli
