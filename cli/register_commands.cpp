#include <cstdio>
#include <limits>
#include <memory>

#include "board.h"
#include "commands.h"
#include "failures.h"
#include "hex_text.h"
#include "number_entry.h"
#include "register_names.h"

namespace zemtra::cli {

namespace {

struct RegisterAccess {
  std::vector<std::string> words;  // [BOARD] OFFSET [VALUE]
  int width = 0;                   // 0 = the width of the register map
};

int32_t ParseNumber(const std::string& text, const char* what) {
  const auto value = units::ParseInteger(text);
  if (!value) {
    throw UsageError(std::string("bad ") + what + " \"" + text +
                     "\": expected a decimal number or 0x and up to 8 hex digits");
  }
  return *value;
}

// The library cannot tell how large the mapped window is, so an access outside
// the register map's span would reach memory that is not the board's.
int32_t ParseOffset(const std::string& text, int width) {
  const int32_t offset = ParseNumber(text, "offset");
  if (offset < 0 || offset > ZEMTRA_REG_WINDOW_MIN_LENGTH - width / 8) {
    throw UsageError("offset " + text + " is outside the register window (0x000 to " +
                     Hex(ZEMTRA_REG_WINDOW_MIN_LENGTH - width / 8, 3) + " for " +
                     std::to_string(width) + "-bit access)");
  }
  return offset;
}

int WidthFor(const std::string& offsetText, int requested) {
  if (requested != 0) return requested;
  const auto offset = units::ParseInteger(offsetText);
  const ZemtraRegisterInfo* info = offset ? FindRegister(*offset) : nullptr;
  if (info == nullptr) {
    throw UsageError("offset " + offsetText + " is not the start of a register of the map: give --width 16 or 32");
  }
  return info->width;
}

// A 16-bit value may be given as an unsigned or a signed number; anything wider is refused
// rather than cut.
uint16_t CheckedWord(int32_t value, const std::string& text) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<uint16_t>::max()) {
    throw UsageError("value " + text + " does not fit in 16 bits");
  }
  return static_cast<uint16_t>(value);
}

void AddWidthOption(CLI::App& command, RegisterAccess& access) {
  command.add_option("--width", access.width, "Access width in bits (default: the register's own)")
      ->check(CLI::IsMember({16, 32}));
}

void ExpectWords(const std::vector<std::string>& words, size_t count, const char* usage) {
  if (words.size() != count) throw UsageError(std::string("expected ") + usage);
}

int RunPeek(RegisterAccess access) {
  const auto where = TakeBoardArgument(access.words);
  ExpectWords(access.words, 1, "[BUS:SLOT] OFFSET");
  const int width = WidthFor(access.words[0], access.width);
  const int32_t offset = ParseOffset(access.words[0], width);
  const OpenBoard board(where);
  uint32_t value = 0;
  if (width == 16) {
    uint16_t word = 0;
    Check("ZemtraReadRegisterWord", ZemtraReadRegisterWord(board.handle(), offset, &word));
    value = word;
  } else {
    Check("ZemtraReadRegisterLong", ZemtraReadRegisterLong(board.handle(), offset, &value));
  }
  std::printf("%s\n", Hex(value, width / 4).c_str());
  return kExitSuccess;
}

int RunPoke(RegisterAccess access) {
  const auto where = TakeBoardArgument(access.words);
  ExpectWords(access.words, 2, "[BUS:SLOT] OFFSET VALUE");
  const int width = WidthFor(access.words[0], access.width);
  const int32_t offset = ParseOffset(access.words[0], width);
  const int32_t value = ParseNumber(access.words[1], "value");
  const uint16_t word = width == 16 ? CheckedWord(value, access.words[1]) : 0;
  const OpenBoard board(where);
  if (width == 16) {
    Check("ZemtraWriteRegisterWord", ZemtraWriteRegisterWord(board.handle(), offset, word));
  } else {
    Check("ZemtraWriteRegisterLong",
          ZemtraWriteRegisterLong(board.handle(), offset, static_cast<uint32_t>(value)));
  }
  return kExitSuccess;
}

}  // namespace

Command AddPeekCommand(CLI::App& tool) {
  auto access = std::make_shared<RegisterAccess>();
  CLI::App* peek = tool.add_subcommand(
      "peek", "Read one register: zemtra peek [BUS:SLOT] OFFSET; prints its value in hex");
  peek->add_option("ARGS", access->words, "[BUS:SLOT] OFFSET (decimal or 0x hex)")->required();
  AddWidthOption(*peek, *access);
  return {peek, [access] { return RunPeek(*access); }};
}

Command AddPokeCommand(CLI::App& tool) {
  auto access = std::make_shared<RegisterAccess>();
  CLI::App* poke = tool.add_subcommand(
      "poke", "Write one register: zemtra poke [BUS:SLOT] OFFSET VALUE");
  poke->add_option("ARGS", access->words, "[BUS:SLOT] OFFSET VALUE (decimal or 0x hex)")
      ->required();
  AddWidthOption(*poke, *access);
  return {poke, [access] { return RunPoke(*access); }};
}

}  // namespace zemtra::cli
