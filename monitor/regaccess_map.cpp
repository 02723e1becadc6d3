#include "regaccess_map.h"

#include <algorithm>
#include <bit>
#include <iterator>

#include "display_units.h"
#include "zemtra_registers.h"

namespace regaccess {

namespace {

// The 16-bit registers with bit definitions, in the order of their kinds.
constexpr std::array<int32_t, kDefinedKindCount> kDefinedRegisters = {
    ZEMTRA_REG_A3_IRQ_CONTROL, ZEMTRA_REG_A1_A2_CONTROL,  ZEMTRA_REG_A3_REF_STATUS,
    ZEMTRA_REG_A1_A2_STATUS,   ZEMTRA_REG_INTERRUPT_MASK, ZEMTRA_REG_FILTER,
    ZEMTRA_REG_SAMPLE};

const ZemtraRegisterInfo& RegisterAt(int32_t offset) {
  const auto* entry = std::find_if(std::begin(ZemtraRegisterMap), std::end(ZemtraRegisterMap),
                                   [offset](const ZemtraRegisterInfo& r) { return r.offset == offset; });
  // Every offset asked for here is one of the table's own constants.
  Q_ASSERT(entry != std::end(ZemtraRegisterMap));
  return *entry;
}

}  // namespace

std::array<QString, kDefinedKindCount> BuildRegisterNameTable() {
  std::array<QString, kDefinedKindCount> names;
  for (int kind = 0; kind < kDefinedKindCount; ++kind)
    names[kind] = QString::fromLatin1(RegisterAt(kDefinedRegisters[kind]).name);
  return names;
}

std::array<BitNames, kDefinedKindCount> BuildBitDefinitionTable() {
  std::array<BitNames, kDefinedKindCount> table;
  for (int kind = 0; kind < kDefinedKindCount; ++kind) {
    const ZemtraRegisterInfo& reg = RegisterAt(kDefinedRegisters[kind]);
    for (int i = 0; i < reg.bitCount; ++i) {
      const int bit = std::countr_zero(static_cast<unsigned>(reg.bits[i].mask));
      table[kind][kBitCount - 1 - bit] = QString::fromLatin1(reg.bits[i].name);
    }
  }
  return table;
}

int KindOfRegister(int32_t offset) {
  const auto* found = std::find(kDefinedRegisters.begin(), kDefinedRegisters.end(), offset);
  return found == kDefinedRegisters.end() ? kWideKind
                                          : static_cast<int>(found - kDefinedRegisters.begin());
}

QString AddressCaption(int32_t offset) {
  return QString::fromStdString(zemtra::units::FormatRawValue(offset, true, 3));
}

std::array<MapSection, 2> BuildMapSections() {
  MapSection fpgas{{QStringLiteral("FPGA 2"), QStringLiteral("FPGA 1")},
                   {{QStringLiteral("Control & Setup Register (16)"),
                     {ZEMTRA_REG_A1_A2_CONTROL, ZEMTRA_REG_A3_IRQ_CONTROL}},
                    {QStringLiteral("Status Register (16)"),
                     {ZEMTRA_REG_A1_A2_STATUS, ZEMTRA_REG_A3_REF_STATUS}},
                    {QStringLiteral("Interrupt Mask (16)"), {kNoRegister, ZEMTRA_REG_INTERRUPT_MASK}},
                    {QStringLiteral("Filter Setup Register (16)"), {kNoRegister, ZEMTRA_REG_FILTER}},
                    {QStringLiteral("Sample Status/Command (16)"), {kNoRegister, ZEMTRA_REG_SAMPLE}},
                    {QStringLiteral("FPGA Revision Code (32)"),
                     {ZEMTRA_REG_FPGA2_REVISION, ZEMTRA_REG_FPGA1_REVISION}},
                    {QStringLiteral("FPGA Product Code (32)"),
                     {ZEMTRA_REG_FPGA2_PRODUCT, ZEMTRA_REG_FPGA1_PRODUCT}}}};

  // The axis block lists each axis's registers from the per-axis table (row 0 = A1).
  struct AxisRow {
    const char* caption;
    uint16_t ZemtraAxisRegisterSet::*field;
  };
  constexpr AxisRow kAxisRows[] = {{"Preset (32)", &ZemtraAxisRegisterSet::presetRegister},
                                   {"Position (32)", &ZemtraAxisRegisterSet::positionRegister},
                                   {"Velocity (32)", &ZemtraAxisRegisterSet::velocityRegister}};
  MapSection axes;
  for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) axes.headings << QStringLiteral("Axis %1").arg(axis + 1);
  for (const AxisRow& row : kAxisRows) {
    MapRow mapRow{QString::fromLatin1(row.caption), {}};
    for (const ZemtraAxisRegisterSet& axis : ZemtraAxisRegisters) mapRow.offsets.push_back(axis.*row.field);
    axes.rows.push_back(mapRow);
  }
  return {fpgas, axes};
}

}  // namespace regaccess
