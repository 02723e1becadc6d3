// ZEMTRA_SIM: which simulated boards there are. Syntax (keys and values are
// case-insensitive, items separated by commas):
//   ZEMTRA_SIM=N                 N boards (1 to 64)
//   boards=N                     N boards (1 to 64), default 1
//   motion=on|off                default on
//   id=0xHEX                     FPGA 1 product code, default 0x4D27B
//   nosig=LIST, glitch=LIST      LIST: A1, A2, A3, REF joined by '+'
//   share=NAME                   the boards every process of the user naming
//                                NAME shares (letters, digits, '-', '_'; 1 to 32)
// A signal named in both nosig and glitch is missing.
#pragma once

#include <string>
#include <string_view>

#include "pci/sim/register_model.h"

namespace zemtra::pci::sim {

struct SimConfig {
  int boards = 0;     // 0: no simulated board
  BoardConfig board;  // what every simulated board is made of (index aside)
  std::string share;  // lower case; empty: the boards are this process's own
};

inline constexpr int kMaxBoards = 64;
inline constexpr std::size_t kMaxShareName = 32;

// Parses a ZEMTRA_SIM value. An empty text gives no board. On a bad value
// returns false, leaves *config with no board and names the bad item in *error,
// with every byte but printable ASCII shown as \xHH.
bool ParseSimConfig(std::string_view text, SimConfig* config, std::string* error);

// The items of a configuration except share=, each written out in one
// spelling, e.g. "boards=2,motion=off,id=0x4D27B,nosig=A2+REF": two values
// give the same boards exactly when they give the same text.
std::string DescribeBoards(const SimConfig& config);

// The text with every byte but printable ASCII shown as \xHH and a backslash
// doubled, for messages about a value: it cannot move the cursor, recolour or
// retitle the terminal, or forge a line of its own.
std::string Printable(std::string_view text);

}  // namespace zemtra::pci::sim
