#include "pci/sim/sim_config.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>

namespace zemtra::pci::sim {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool ParseBoards(std::string_view value, int* boards) {
  if (value.empty() || value.size() > 3) return false;
  int n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kMaxBoards) return false;
  *boards = n;
  return true;
}

bool ParseHex(std::string_view value, uint32_t* out) {
  if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) return false;
  value.remove_prefix(2);
  if (value.size() > 8) return false;
  uint32_t n = 0;
  for (char c : value) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    n = n * 16 + static_cast<uint32_t>(digit);
  }
  *out = n;
  return true;
}

// LIST: A1, A2, A3, REF joined by '+'.
bool ParseSignals(std::string_view value, bool (*chosen)[kSignalCount], std::string* bad) {
  if (Trim(value).empty()) {
    *bad = "an empty list";
    return false;
  }
  while (true) {
    std::size_t plus = value.find('+');
    std::string name = Lower(Trim(value.substr(0, plus)));
    if (name == "a1") {
      (*chosen)[0] = true;
    } else if (name == "a2") {
      (*chosen)[1] = true;
    } else if (name == "a3") {
      (*chosen)[2] = true;
    } else if (name == "ref") {
      (*chosen)[3] = true;
    } else {
      *bad = name.empty() ? "an empty name" : "'" + std::string(Trim(value.substr(0, plus))) + "'";
      return false;
    }
    if (plus == std::string_view::npos) return true;
    value.remove_prefix(plus + 1);
  }
}

// ASCII only, whatever the locale: the name becomes part of file names.
bool ValidShareName(std::string_view name) {
  if (name.empty() || name.size() > kMaxShareName) return false;
  return std::ranges::all_of(name, [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
}

constexpr const char* kSignalNames[kSignalCount] = {"A1", "A2", "A3", "REF"};

std::string SignalList(const BoardConfig& board, SignalState state) {
  std::string list;
  for (int s = 0; s < kSignalCount; ++s) {
    if (board.signals[s] != state) continue;
    if (!list.empty()) list += '+';
    list += kSignalNames[s];
  }
  return list;
}

}  // namespace

std::string DescribeBoards(const SimConfig& config) {
  char id[16];
  std::snprintf(id, sizeof id, "0x%X", static_cast<unsigned>(config.board.fpga1Product));
  std::string text = "boards=" + std::to_string(config.boards) +
                     ",motion=" + (config.board.motion ? "on" : "off") + ",id=" + id;
  const std::string nosig = SignalList(config.board, SignalState::kMissing);
  const std::string glitch = SignalList(config.board, SignalState::kGlitching);
  if (!nosig.empty()) text += ",nosig=" + nosig;
  if (!glitch.empty()) text += ",glitch=" + glitch;
  return text;
}

std::string Printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return out;
}

bool ParseSimConfig(std::string_view text, SimConfig* config, std::string* error) {
  *config = SimConfig{};
  text = Trim(text);
  if (text.empty()) return true;

  SimConfig result;
  result.boards = 1;
  auto fail = [&](std::string_view item, const std::string& why) {
    *error = Printable("'" + std::string(item) + "': " + why);
    *config = SimConfig{};
    return false;
  };

  // ZEMTRA_SIM=N
  if (std::isdigit(static_cast<unsigned char>(text.front()))) {
    if (!ParseBoards(text, &result.boards)) {
      return fail(text, "the number of boards must be 1 to 64");
    }
    *config = result;
    return true;
  }

  bool nosig[kSignalCount] = {};
  bool glitch[kSignalCount] = {};
  std::string_view rest = text;
  while (true) {
    std::size_t comma = rest.find(',');
    std::string_view item = Trim(rest.substr(0, comma));
    if (item.empty()) return fail(item, "empty item (expected key=value)");
    std::size_t eq = item.find('=');
    if (eq == std::string_view::npos) return fail(item, "expected key=value");
    std::string key = Lower(Trim(item.substr(0, eq)));
    std::string_view value = Trim(item.substr(eq + 1));
    std::string lowerValue = Lower(value);
    if (key == "boards") {
      if (!ParseBoards(value, &result.boards)) return fail(item, "boards must be 1 to 64");
    } else if (key == "motion") {
      if (lowerValue == "on") {
        result.board.motion = true;
      } else if (lowerValue == "off") {
        result.board.motion = false;
      } else {
        return fail(item, "motion must be on or off");
      }
    } else if (key == "id") {
      if (!ParseHex(value, &result.board.fpga1Product)) {
        return fail(item, "id must be 0x followed by 1 to 8 hexadecimal digits");
      }
    } else if (key == "share") {
      if (!ValidShareName(value)) {
        return fail(item, "share must be 1 to 32 letters, digits, '-' or '_'");
      }
      result.share = lowerValue;
    } else if (key == "nosig" || key == "glitch") {
      std::string bad;
      if (!ParseSignals(value, key == "nosig" ? &nosig : &glitch, &bad)) {
        return fail(item, key + " takes A1, A2, A3, REF joined by '+', not " + bad);
      }
    } else {
      return fail(item, "unknown key (known: boards, motion, id, nosig, glitch, share)");
    }
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  for (int s = 0; s < kSignalCount; ++s) {
    result.board.signals[s] = nosig[s]    ? SignalState::kMissing
                              : glitch[s] ? SignalState::kGlitching
                                          : SignalState::kPresent;
  }
  *config = result;
  return true;
}

}  // namespace zemtra::pci::sim
