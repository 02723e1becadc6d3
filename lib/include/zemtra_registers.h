/*
 * zemtra_registers.h - the register map of the Zemtra board, in one place.
 *
 * Offsets are byte offsets into the board's register window (PCI BAR 2).
 * FPGA 1 holds the registers below 0x100 (axis 3, reference, interrupt mask,
 * filter, sample status/command); FPGA 2 those from 0x100 on (axes 1 and 2).
 * Axis numbers: the library counts 0, 1, 2; users and bit names say A1, A2, A3.
 *
 * Every other file of the product takes offsets, bit masks and register names
 * from here; nothing else spells them out.
 */
#ifndef ZEMTRA_REGISTERS_H
#define ZEMTRA_REGISTERS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Register offsets -------------------------------------------------- */
enum {
    ZEMTRA_REG_A3_POSITION = 0x000,
    ZEMTRA_REG_A3_VELOCITY = 0x008,
    ZEMTRA_REG_A3_IRQ_CONTROL = 0x010,     /* A3/IRQ Control and Setup (16) */
    ZEMTRA_REG_A3_REF_STATUS = 0x012,      /* A3/Ref Error Status (16) */
    ZEMTRA_REG_INTERRUPT_MASK = 0x016,     /* Interrupt Mask (16) */
    ZEMTRA_REG_A3_PRESET = 0x018,
    ZEMTRA_REG_FILTER = 0x01C,             /* Filter Settings (16) */
    ZEMTRA_REG_SAMPLE = 0x020,             /* Sample Status/Command (16) */
    ZEMTRA_REG_FPGA1_REVISION = 0x02C,
    ZEMTRA_REG_FPGA1_PRODUCT = 0x030,
    ZEMTRA_REG_A2_POSITION = 0x100,
    ZEMTRA_REG_A2_VELOCITY = 0x108,
    ZEMTRA_REG_A1_A2_CONTROL = 0x110,      /* A1/A2 Control and Setup (16) */
    ZEMTRA_REG_A1_A2_STATUS = 0x112,       /* A1/A2 Error Status (16) */
    ZEMTRA_REG_A2_PRESET = 0x118,
    ZEMTRA_REG_A1_PRESET = 0x11C,
    ZEMTRA_REG_A1_POSITION = 0x120,
    ZEMTRA_REG_A1_VELOCITY = 0x128,
    ZEMTRA_REG_FPGA2_REVISION = 0x12C,
    ZEMTRA_REG_FPGA2_PRODUCT = 0x130,

    /* Highest byte the library relies on: the 32-bit register at 0x130. */
    ZEMTRA_REG_WINDOW_MIN_LENGTH = 0x134,
    /* Revision window (PCI BAR 3): the hardware revision word. */
    ZEMTRA_REV_HARDWARE = 0x000
};

/* ---- Bits of the 16-bit registers --------------------------------------- */
enum {
    /* 0x010 A3/IRQ Control and Setup */
    ZEMTRA_CTL3_IRQ_ENABLE = 0x1000,
    ZEMTRA_CTL3_IRQ_ENABLE_LOW = 0x0010, /* where bit 12 of the config word also lands */
    ZEMTRA_CTL3_A3_DIR = 0x0002,

    /* 0x110 A1/A2 Control and Setup */
    ZEMTRA_CTL12_A1_DIR = 0x0004,
    ZEMTRA_CTL12_A2_DIR = 0x0002,

    /* 0x012 A3/Ref Error Status (write 1 to clear) */
    ZEMTRA_ST3_REF_GLITCH = 0x0020,
    ZEMTRA_ST3_REF_NOSIG = 0x0010,
    ZEMTRA_ST3_A3_GLITCH = 0x0002,
    ZEMTRA_ST3_A3_NOSIG = 0x0001,

    /* 0x112 A1/A2 Error Status (write 1 to clear) */
    ZEMTRA_ST12_A1_GLITCH = 0x0008,
    ZEMTRA_ST12_A1_NOSIG = 0x0004,
    ZEMTRA_ST12_A2_GLITCH = 0x0002,
    ZEMTRA_ST12_A2_NOSIG = 0x0001,

    /* 0x016 Interrupt Mask (a set bit enables that source) */
    ZEMTRA_IM_REF_GLITCH = 0x2000,
    ZEMTRA_IM_REF_NOSIG = 0x1000,
    ZEMTRA_IM_A1_GLITCH = 0x0200,
    ZEMTRA_IM_A1_NOSIG = 0x0100,
    ZEMTRA_IM_A3_GLITCH = 0x0020,
    ZEMTRA_IM_A3_NOSIG = 0x0010,
    ZEMTRA_IM_A2_GLITCH = 0x0002,
    ZEMTRA_IM_A2_NOSIG = 0x0001,

    /* 0x01C Filter Settings */
    ZEMTRA_FILTER_ENABLE = 0x0010,
    ZEMTRA_FILTER_KV_MASK = 0x000C, /* Kv1 | Kv0 */
    ZEMTRA_FILTER_KV_SHIFT = 2,
    ZEMTRA_FILTER_KP_MASK = 0x0003,
    ZEMTRA_FILTER_KP_SHIFT = 0,
    ZEMTRA_FILTER_KV1 = 0x0008,
    ZEMTRA_FILTER_KV0 = 0x0004,
    ZEMTRA_FILTER_KP1 = 0x0002,
    ZEMTRA_FILTER_KP0 = 0x0001,

    /* 0x020 Sample Status/Command: written = commands, read = status */
    ZEMTRA_SMP_A1_SAMPLE = 0x0200, /* read: A1 Smp Valid */
    ZEMTRA_SMP_A1_PRESET = 0x0100, /* read: A1 Pre Error */
    ZEMTRA_SMP_A3_SAMPLE = 0x0020, /* read: A3 Smp Valid */
    ZEMTRA_SMP_A3_PRESET = 0x0010, /* read: A3 Pre Error */
    ZEMTRA_SMP_A2_SAMPLE = 0x0002, /* read: A2 Smp Valid */
    ZEMTRA_SMP_A2_PRESET = 0x0001, /* read: A2 Pre Error */
    ZEMTRA_SMP_ALL_SAMPLE = ZEMTRA_SMP_A1_SAMPLE | ZEMTRA_SMP_A2_SAMPLE | ZEMTRA_SMP_A3_SAMPLE,
    ZEMTRA_SMP_ALL_PRESET = ZEMTRA_SMP_A1_PRESET | ZEMTRA_SMP_A2_PRESET | ZEMTRA_SMP_A3_PRESET
};

/* ---- Words the library composes ----------------------------------------- */
enum {
    /* Status word: low byte = 0x112, high byte = 0x012 */
    ZEMTRA_STATUS_A2_NOSIG = ZEMTRA_ST12_A2_NOSIG,
    ZEMTRA_STATUS_A2_GLITCH = ZEMTRA_ST12_A2_GLITCH,
    ZEMTRA_STATUS_A1_NOSIG = ZEMTRA_ST12_A1_NOSIG,
    ZEMTRA_STATUS_A1_GLITCH = ZEMTRA_ST12_A1_GLITCH,
    ZEMTRA_STATUS_A3_NOSIG = ZEMTRA_ST3_A3_NOSIG << 8,
    ZEMTRA_STATUS_A3_GLITCH = ZEMTRA_ST3_A3_GLITCH << 8,
    ZEMTRA_STATUS_REF_NOSIG = ZEMTRA_ST3_REF_NOSIG << 8,
    ZEMTRA_STATUS_REF_GLITCH = ZEMTRA_ST3_REF_GLITCH << 8,

    /* Configuration word: low byte = 0x110, high byte = 0x010, bit 12 carried */
    ZEMTRA_CONFIG_A2_DIR = ZEMTRA_CTL12_A2_DIR,
    ZEMTRA_CONFIG_A1_DIR = ZEMTRA_CTL12_A1_DIR,
    ZEMTRA_CONFIG_A3_DIR = ZEMTRA_CTL3_A3_DIR << 8,
    ZEMTRA_CONFIG_IRQ_ENABLE = ZEMTRA_CTL3_IRQ_ENABLE
};

/* ---- The register map as a table ----------------------------------------- */

typedef struct ZemtraBitInfo {
    uint16_t mask;
    const char *name;
} ZemtraBitInfo;

typedef struct ZemtraRegisterInfo {
    int32_t offset;
    uint8_t width; /* 16 or 32 */
    uint8_t fpga;  /* 1 or 2 */
    const char *name;
    const ZemtraBitInfo *bits; /* named bits, highest first; NULL for 32-bit registers */
    uint8_t bitCount;
} ZemtraRegisterInfo;

static const ZemtraBitInfo ZemtraBitsA3IrqControl[] = {
    {ZEMTRA_CTL3_IRQ_ENABLE, "IRQ Enable"}, {ZEMTRA_CTL3_A3_DIR, "A3 Dir"}};
static const ZemtraBitInfo ZemtraBitsA1A2Control[] = {
    {ZEMTRA_CTL12_A1_DIR, "A1 Dir"}, {ZEMTRA_CTL12_A2_DIR, "A2 Dir"}};
static const ZemtraBitInfo ZemtraBitsA3RefStatus[] = {
    {ZEMTRA_ST3_REF_GLITCH, "Ref Glitch"}, {ZEMTRA_ST3_REF_NOSIG, "Ref No Sig"},
    {ZEMTRA_ST3_A3_GLITCH, "A3 Glitch"}, {ZEMTRA_ST3_A3_NOSIG, "A3 No Sig"}};
static const ZemtraBitInfo ZemtraBitsA1A2Status[] = {
    {ZEMTRA_ST12_A1_GLITCH, "A1 Glitch"}, {ZEMTRA_ST12_A1_NOSIG, "A1 No Sig"},
    {ZEMTRA_ST12_A2_GLITCH, "A2 Glitch"}, {ZEMTRA_ST12_A2_NOSIG, "A2 No Sig"}};
static const ZemtraBitInfo ZemtraBitsInterruptMask[] = {
    {ZEMTRA_IM_REF_GLITCH, "Ref Glitch"}, {ZEMTRA_IM_REF_NOSIG, "Ref No Sig"},
    {ZEMTRA_IM_A1_GLITCH, "A1 Glitch"}, {ZEMTRA_IM_A1_NOSIG, "A1 No Sig"},
    {ZEMTRA_IM_A3_GLITCH, "A3 Glitch"}, {ZEMTRA_IM_A3_NOSIG, "A3 No Sig"},
    {ZEMTRA_IM_A2_GLITCH, "A2 Glitch"}, {ZEMTRA_IM_A2_NOSIG, "A2 No Sig"}};
static const ZemtraBitInfo ZemtraBitsFilter[] = {
    {ZEMTRA_FILTER_ENABLE, "Enable"}, {ZEMTRA_FILTER_KV1, "Kv1"}, {ZEMTRA_FILTER_KV0, "Kv0"},
    {ZEMTRA_FILTER_KP1, "Kp1"}, {ZEMTRA_FILTER_KP0, "Kp0"}};
static const ZemtraBitInfo ZemtraBitsSample[] = {
    {ZEMTRA_SMP_A1_SAMPLE, "A1 Smp Valid"}, {ZEMTRA_SMP_A1_PRESET, "A1 Pre Error"},
    {ZEMTRA_SMP_A3_SAMPLE, "A3 Smp Valid"}, {ZEMTRA_SMP_A3_PRESET, "A3 Pre Error"},
    {ZEMTRA_SMP_A2_SAMPLE, "A2 Smp Valid"}, {ZEMTRA_SMP_A2_PRESET, "A2 Pre Error"}};

#define ZEMTRA_BITS(table) table, (uint8_t)(sizeof(table) / sizeof(table[0]))

static const ZemtraRegisterInfo ZemtraRegisterMap[] = {
    {ZEMTRA_REG_A3_POSITION, 32, 1, "Position, Axis 3", 0, 0},
    {ZEMTRA_REG_A3_VELOCITY, 32, 1, "Velocity, Axis 3", 0, 0},
    {ZEMTRA_REG_A3_IRQ_CONTROL, 16, 1, "A3/IRQ Control and Setup", ZEMTRA_BITS(ZemtraBitsA3IrqControl)},
    {ZEMTRA_REG_A3_REF_STATUS, 16, 1, "A3/Ref Error Status", ZEMTRA_BITS(ZemtraBitsA3RefStatus)},
    {ZEMTRA_REG_INTERRUPT_MASK, 16, 1, "Interrupt Mask", ZEMTRA_BITS(ZemtraBitsInterruptMask)},
    {ZEMTRA_REG_A3_PRESET, 32, 1, "Preset, Axis 3", 0, 0},
    {ZEMTRA_REG_FILTER, 16, 1, "Filter Settings", ZEMTRA_BITS(ZemtraBitsFilter)},
    {ZEMTRA_REG_SAMPLE, 16, 1, "Sample Status/Command", ZEMTRA_BITS(ZemtraBitsSample)},
    {ZEMTRA_REG_FPGA1_REVISION, 32, 1, "FPGA Revision Code", 0, 0},
    {ZEMTRA_REG_FPGA1_PRODUCT, 32, 1, "FPGA Product Code", 0, 0},
    {ZEMTRA_REG_A2_POSITION, 32, 2, "Position, Axis 2", 0, 0},
    {ZEMTRA_REG_A2_VELOCITY, 32, 2, "Velocity, Axis 2", 0, 0},
    {ZEMTRA_REG_A1_A2_CONTROL, 16, 2, "A1/A2 Control and Setup", ZEMTRA_BITS(ZemtraBitsA1A2Control)},
    {ZEMTRA_REG_A1_A2_STATUS, 16, 2, "A1/A2 Error Status", ZEMTRA_BITS(ZemtraBitsA1A2Status)},
    {ZEMTRA_REG_A2_PRESET, 32, 2, "Preset, Axis 2", 0, 0},
    {ZEMTRA_REG_A1_PRESET, 32, 2, "Preset, Axis 1", 0, 0},
    {ZEMTRA_REG_A1_POSITION, 32, 2, "Position, Axis 1", 0, 0},
    {ZEMTRA_REG_A1_VELOCITY, 32, 2, "Velocity, Axis 1", 0, 0},
    {ZEMTRA_REG_FPGA2_REVISION, 32, 2, "FPGA Revision Code", 0, 0},
    {ZEMTRA_REG_FPGA2_PRODUCT, 32, 2, "FPGA Product Code", 0, 0},
};

#undef ZEMTRA_BITS

#define ZEMTRA_REGISTER_COUNT (sizeof(ZemtraRegisterMap) / sizeof(ZemtraRegisterMap[0]))

/* ---- Per-axis registers (row 0 = A1, 1 = A2, 2 = A3) ---------------------- */

typedef struct ZemtraAxisRegisterSet {
    uint16_t errorMaskA1A2Status; /* its error bits in 0x112 */
    uint16_t errorMaskA3RefStatus; /* its error bits in 0x012 */
    uint16_t presetCommand;       /* bit in 0x020 */
    uint16_t sampleCommand;       /* bit in 0x020 */
    uint16_t sampleValid;         /* bit in 0x020 */
    uint16_t presetRegister;
    uint16_t positionRegister;
    uint16_t velocityRegister;
} ZemtraAxisRegisterSet;

#define ZEMTRA_AXIS_COUNT 3

static const ZemtraAxisRegisterSet ZemtraAxisRegisters[ZEMTRA_AXIS_COUNT] = {
    {ZEMTRA_ST12_A1_GLITCH | ZEMTRA_ST12_A1_NOSIG, 0, ZEMTRA_SMP_A1_PRESET, ZEMTRA_SMP_A1_SAMPLE,
     ZEMTRA_SMP_A1_SAMPLE, ZEMTRA_REG_A1_PRESET, ZEMTRA_REG_A1_POSITION, ZEMTRA_REG_A1_VELOCITY},
    {ZEMTRA_ST12_A2_GLITCH | ZEMTRA_ST12_A2_NOSIG, 0, ZEMTRA_SMP_A2_PRESET, ZEMTRA_SMP_A2_SAMPLE,
     ZEMTRA_SMP_A2_SAMPLE, ZEMTRA_REG_A2_PRESET, ZEMTRA_REG_A2_POSITION, ZEMTRA_REG_A2_VELOCITY},
    {0, ZEMTRA_ST3_A3_GLITCH | ZEMTRA_ST3_A3_NOSIG, ZEMTRA_SMP_A3_PRESET, ZEMTRA_SMP_A3_SAMPLE,
     ZEMTRA_SMP_A3_SAMPLE, ZEMTRA_REG_A3_PRESET, ZEMTRA_REG_A3_POSITION, ZEMTRA_REG_A3_VELOCITY},
};

#ifdef __cplusplus
}
#endif

#endif /* ZEMTRA_REGISTERS_H */
