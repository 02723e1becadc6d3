#include "broker_options.h"

#include "failures.h"
#include "password_file.h"

namespace zemtra::cli {

void AddBrokerOptions(CLI::App& command, BrokerOptions& options) {
  command.add_option("--broker", options.broker, "mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883, TLS)")
      ->required();
  command.add_option("--username", options.username, "User name at the broker");
  command.add_option("--password-file", options.passwordFile,
                     "File whose first line is the password (never give it on the command line)");
  command.add_option("--cafile", options.caFile, "CA certificates that sign the broker's (default: the system's)");
  command.add_option("--cert", options.certFile, "Client certificate (PEM), with --key");
  command.add_option("--key", options.keyFile, "Private key of the client certificate (PEM)");
}

LinkOptions LinkOptionsOf(const BrokerOptions& options, const std::string& clientId) {
  const BrokerAddress broker = ParseBrokerAddress(options.broker);
  const bool tlsFiles = !options.caFile.empty() || !options.certFile.empty() || !options.keyFile.empty();
  if (tlsFiles && !broker.tls) throw UsageError("--cafile, --cert and --key need an mqtts:// broker");
  if (options.certFile.empty() != options.keyFile.empty()) throw UsageError("--cert and --key go together");
  if (!options.passwordFile.empty() && options.username.empty()) throw UsageError("--password-file needs --username");
  LinkOptions link{broker, clientId, options.username, "", options.caFile, options.certFile, options.keyFile};
  if (!options.passwordFile.empty()) link.password = ReadPasswordFile(options.passwordFile);
  return link;
}

}  // namespace zemtra::cli
