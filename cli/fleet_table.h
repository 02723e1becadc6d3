// What a subscriber knows about the fleet from the Sparkplug messages it has
// seen: every node with its session (bdSeq), alive or dead, the sequence gaps
// it showed, and each board's state, last status and last position of A1.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace zemtra::cli {

class FleetTable {
 public:
  // One message from spBv1.0/GROUP/...; false when the topic or payload is
  // not one of ours (it is ignored).
  bool Take(const std::string& topic, const std::string& payload);
  // The table as text: one line per node, then one per board.
  std::string Render() const;

 private:
  struct Board {
    bool alive = true;
    uint64_t batches = 0;
    uint16_t status = 0;
    nlohmann::json a1 = nullptr;  // last A1 position
  };
  struct Node {
    bool alive = true;
    uint64_t bdSeq = 0;
    int nextSeq = -1;  // -1: no sequence known yet
    uint64_t messages = 0;
    uint64_t gaps = 0;  // messages missing between the ones that arrived
    std::map<std::string, Board> boards;
  };
  bool Interpret(const std::string& topic, const std::string& payload);
  void CountSeq(Node& node, const nlohmann::json& payload);

  std::map<std::string, Node> nodes_;  // key: GROUP/NODE
};

}  // namespace zemtra::cli
