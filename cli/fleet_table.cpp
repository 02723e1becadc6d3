#include "fleet_table.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "zemtra_registers.h"

namespace zemtra::cli {

namespace {

std::vector<std::string> Levels(const std::string& topic) {
  std::vector<std::string> levels;
  size_t start = 0;
  for (size_t slash; (slash = topic.find('/', start)) != std::string::npos; start = slash + 1) {
    levels.push_back(topic.substr(start, slash - start));
  }
  levels.push_back(topic.substr(start));
  return levels;
}

struct ErrorName {
  uint16_t bit;
  const char* name;
};

constexpr ErrorName kErrorNames[] = {
    {ZEMTRA_STATUS_A1_NOSIG, "A1.nosig"},   {ZEMTRA_STATUS_A1_GLITCH, "A1.glitch"},
    {ZEMTRA_STATUS_A2_NOSIG, "A2.nosig"},   {ZEMTRA_STATUS_A2_GLITCH, "A2.glitch"},
    {ZEMTRA_STATUS_A3_NOSIG, "A3.nosig"},   {ZEMTRA_STATUS_A3_GLITCH, "A3.glitch"},
    {ZEMTRA_STATUS_REF_NOSIG, "REF.nosig"}, {ZEMTRA_STATUS_REF_GLITCH, "REF.glitch"},
};

std::string StatusText(uint16_t status) {
  std::string text;
  for (const ErrorName& error : kErrorNames) {
    if ((status & error.bit) != 0) text += (text.empty() ? "" : " ") + std::string(error.name);
  }
  return text.empty() ? "ok" : text;
}

// Names come from the network: nothing in them may drive the terminal.
std::string Printable(const std::string& text) {
  std::string shown = text.substr(0, 40);
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7e) c = '?';
  }
  return shown;
}

// A member of a payload from the network, or null when it is not there:
// indexing a const object by a missing key is undefined.
const nlohmann::json& Member(const nlohmann::json& object, const char* key) {
  static const nlohmann::json kMissing;
  if (!object.is_object()) return kMissing;
  const auto found = object.find(key);
  return found == object.end() ? kMissing : *found;
}

uint16_t StatusWord(const nlohmann::json& payload) {
  const nlohmann::json& word = Member(Member(payload, "status"), "word");
  return word.is_number_unsigned() ? word.get<uint16_t>() : 0;
}

}  // namespace

void FleetTable::CountSeq(Node& node, const nlohmann::json& payload) {
  ++node.messages;
  if (!payload.contains("seq") || !payload["seq"].is_number_unsigned()) return;
  const int seq = payload["seq"].get<int>() % 256;
  if (node.nextSeq >= 0) node.gaps += static_cast<uint64_t>((seq - node.nextSeq + 256) % 256);
  node.nextSeq = (seq + 1) % 256;
}

bool FleetTable::Take(const std::string& topic, const std::string& payload) {
  // A field of the wrong type (from a foreign publisher) throws: the message is ignored.
  try {
    return Interpret(topic, payload);
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

bool FleetTable::Interpret(const std::string& topic, const std::string& payload) {
  const std::vector<std::string> levels = Levels(topic);
  if (levels.size() < 4 || levels.size() > 5 || levels[0] != "spBv1.0") return false;
  const nlohmann::json message = nlohmann::json::parse(payload, nullptr, false);
  if (!message.is_object()) return false;
  const std::string& type = levels[2];
  Node& node = nodes_[levels[1] + "/" + levels[3]];
  const uint64_t bdSeq = message.value("bdSeq", uint64_t{0});
  if (type == "NBIRTH") {
    node = Node{};
    node.bdSeq = bdSeq;
    CountSeq(node, message);
  } else if (type == "NDEATH") {
    // A death of an earlier session (a will delivered late) leaves the node alive.
    if (bdSeq != node.bdSeq) return true;
    node.alive = false;
    for (auto& [name, board] : node.boards) board.alive = false;
    node.nextSeq = -1;
  } else if (levels.size() == 5) {
    CountSeq(node, message);
    Board& board = node.boards[levels[4]];
    if (type == "DBIRTH") {
      board = Board{};
      board.status = StatusWord(message);
    } else if (type == "DDEATH") {
      board.alive = false;
    } else if (type == "DDATA" && message.value("kind", "") == "samples") {
      ++board.batches;
      board.status = StatusWord(message);
      const nlohmann::json& samples = Member(message, "samples");
      if (samples.is_array() && !samples.empty() && samples.back().is_object()) {
        const nlohmann::json position = samples.back().value("position", nlohmann::json());
        const nlohmann::json a1 = position.is_array() && !position.empty() ? position[0] : nlohmann::json();
        board.a1 = a1.is_number() ? a1 : nlohmann::json();
      }
    } else if (type == "DDATA" && message.value("kind", "") == "status") {
      board.status = StatusWord(message);
    }
  }
  return true;
}

std::string FleetTable::Render() const {
  std::string text;
  char line[256];
  std::snprintf(line, sizeof line, "%-28s %-6s %6s %9s %6s\n", "NODE", "STATE", "BDSEQ", "MESSAGES", "GAPS");
  text += line;
  for (const auto& [name, node] : nodes_) {
    std::snprintf(line, sizeof line, "%-28s %-6s %6" PRIu64 " %9" PRIu64 " %6" PRIu64 "\n", Printable(name).c_str(),
                  node.alive ? "alive" : "DEAD", node.bdSeq, node.messages, node.gaps);
    text += line;
    for (const auto& [id, board] : node.boards) {
      std::snprintf(line, sizeof line, "  board %-20s %-6s batches %-8" PRIu64 " A1 %-22s %s\n", Printable(id).c_str(),
                    board.alive ? "alive" : "DEAD", board.batches, board.a1.dump().c_str(),
                    StatusText(board.status).c_str());
      text += line;
    }
  }
  return text;
}

}  // namespace zemtra::cli
