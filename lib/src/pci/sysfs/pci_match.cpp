#include "pci/sysfs/pci_match.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "pci/sim/sim_config.h"

namespace zemtra::pci {
namespace {

constexpr int kBarCount = 6;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// One to four hex digits, nothing else (no 0x, no sign).
bool ParseId(std::string_view text, uint32_t* id) {
  if (text.empty() || text.size() > 4) return false;
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  *id = value;
  return true;
}

bool ParseBar(std::string_view text, int* bar) {
  if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + kBarCount) return false;
  *bar = text[0] - '0';
  return true;
}

// "VVVV:DDDD"
bool ParseIds(std::string_view item, PciMatch* match) {
  const std::size_t colon = item.find(':');
  return colon != std::string_view::npos && ParseId(Trim(item.substr(0, colon)), &match->vendor) &&
         ParseId(Trim(item.substr(colon + 1)), &match->device);
}

// "regs=N" or "rev=N"
bool ParseWindow(std::string_view item, PciMatch* match) {
  const std::size_t equals = item.find('=');
  if (equals == std::string_view::npos) return false;
  const std::string_view key = Trim(item.substr(0, equals));
  int* bar = key == "regs" ? &match->registerBar : key == "rev" ? &match->revisionBar : nullptr;
  return bar != nullptr && ParseBar(Trim(item.substr(equals + 1)), bar);
}

std::mutex g_mutex;  // the two below
bool g_loaded = false;
PciMatch g_match;

PciMatch FromEnvironment() {
  PciMatch match;
  const char* value = ::secure_getenv("ZEMTRA_PCI_MATCH");
  if (value == nullptr || value[0] == '\0') return match;
  std::string error;
  if (!ParsePciMatch(value, &match, &error)) {
    std::fprintf(stderr,
                 "libZemtra: ZEMTRA_PCI_MATCH: cannot read '%s': %s; using 1f3c:0a00,regs=2,rev=3\n",
                 sim::Printable(value).c_str(), error.c_str());
  }
  return match;
}

}  // namespace

bool ParsePciMatch(std::string_view text, PciMatch* match, std::string* error) {
  PciMatch parsed;
  std::size_t start = 0;
  for (bool first = true;; first = false) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item =
        Trim(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (first ? !ParseIds(item, &parsed) : !ParseWindow(item, &parsed)) {
      *error = first ? "the IDs are not VVVV:DDDD in hex"
                     : "'" + sim::Printable(item) + "' is not regs=N or rev=N with N from 0 to 5";
      return false;
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  *match = parsed;
  return true;
}

PciMatch CurrentPciMatch() {
  std::lock_guard lock(g_mutex);
  if (!g_loaded) {
    g_match = FromEnvironment();
    g_loaded = true;
  }
  return g_match;
}

void ReloadPciMatch() {
  std::lock_guard lock(g_mutex);
  g_loaded = false;
}

}  // namespace zemtra::pci
