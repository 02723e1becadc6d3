// The register map that the direct register access dialog draws: which
// address labels it shows where, the kind each carries, and the names of the
// 16-bit registers and their bits. Everything is derived from the board's
// register table; only the dialog's own captions are written here.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace regaccess {

// Kinds 0..6 select a 16-bit register with bit definitions; a 32-bit register
// without them carries kWideKind.
inline constexpr int kDefinedKindCount = 7;
inline constexpr int kWideKind = 32;
inline constexpr int kBitCount = 16;

// Names of one register's bits, bit 15 first; unnamed bits are empty.
using BitNames = std::array<QString, kBitCount>;

std::array<QString, kDefinedKindCount> BuildRegisterNameTable();
std::array<BitNames, kDefinedKindCount> BuildBitDefinitionTable();

// The kind an address label carries for a register offset.
int KindOfRegister(int32_t offset);

// An address label's caption: "0x" and three upper-case hex digits.
QString AddressCaption(int32_t offset);

inline constexpr int32_t kNoRegister = -1;

// One block of the drawn map: column headings, then rows of a caption and one
// offset per column (kNoRegister where the column has none).
struct MapRow {
  QString caption;
  std::vector<int32_t> offsets;
};
struct MapSection {
  QStringList headings;
  std::vector<MapRow> rows;
};

// The FPGA block (columns FPGA 2, FPGA 1) and the axis block (Axis 1, 2, 3).
std::array<MapSection, 2> BuildMapSections();

}  // namespace regaccess
