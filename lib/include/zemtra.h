/*
 * zemtra.h - device library for the Zemtra three-axis laser interferometer
 * measurement board on the PCI bus.
 *
 * A flat C interface: every function is named Zemtra..., uses the C calling
 * convention, passes results through caller-owned out-pointers and returns an
 * ErrorCode (0 = success, 16..32 = failure; ZemtraGetErrStr gives the text).
 * The library starts no threads, never waits on the board and caches nothing.
 *
 * Typical use:
 *     DeviceLocation where;
 *     DeviceHandle board;
 *     ZemtraOpen(ZemtraDefaultDevice(&where), &board, NULL);
 *     ... calls with board ...
 *     ZemtraClose(&board);
 *
 * Set ZEMTRA_SIM=1 in the environment to get one simulated board (see the
 * README for the full syntax), ZEMTRA_TRACE=path to log every register access.
 */
#ifndef ZEMTRA_H
#define ZEMTRA_H

#include <stdint.h>

#if defined(__GNUC__)
#define ZEMTRA_API __attribute__((visibility("default")))
#else
#define ZEMTRA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Where a board sits: PCI bus and slot (device) number; -1 in a field = any. */
typedef struct DeviceLocation {
    int32_t bus;
    int32_t slot;
} DeviceLocation;

/* Opaque name of an open board; 0 means none. */
typedef uint32_t DeviceHandle;

/* Result of every function but ZemtraDefaultDevice, ZemtraGetLibraryRev and
 * ZemtraGetErrStr. */
typedef int16_t ErrorCode;

enum {
    ZEMTRA_SUCCESS = 0,
    ZEMTRA_ERR_INVALID_HANDLE = 16,
    ZEMTRA_ERR_NULL_PARAMETER = 17,
    ZEMTRA_ERR_DEVICE_NOT_FOUND = 18,
    ZEMTRA_ERR_DRIVER_NOT_FOUND = 19,
    ZEMTRA_ERR_NO_MEMORY = 20,
    ZEMTRA_ERR_BAD_ADDRESS = 21,
    ZEMTRA_ERR_HEAP = 22,
    ZEMTRA_ERR_UNLOCK = 23,
    ZEMTRA_ERR_NO_AXIS = 24,
    ZEMTRA_ERR_INVALID_DATA = 25,
    ZEMTRA_ERR_DRIVER_CODE = 26,
    ZEMTRA_ERR_DRIVER_HANDLE = 27,
    ZEMTRA_ERR_BASE_ADDRESS_NULL = 28,
    ZEMTRA_ERR_BASE_ADDRESS_CODE = 29,
    ZEMTRA_ERR_LOCK = 30,
    ZEMTRA_ERR_INTERRUPT = 31,
    ZEMTRA_ERR_TOO_MANY_EVENTS = 32
};

/* The board identification every board of this kind reports (ZemtraOpen). */
#define ZEMTRA_BOARD_ID 0x4D27B

/* ---- Boards and handles ------------------------------------------------ */

ZEMTRA_API DeviceLocation *ZemtraDefaultDevice(DeviceLocation *location);
ZEMTRA_API ErrorCode ZemtraFind(const DeviceLocation *filter, uint32_t *count,
                                DeviceLocation *list, uint32_t capacity);
ZEMTRA_API ErrorCode ZemtraOpen(DeviceLocation *location, DeviceHandle *handle,
                                int32_t *boardId);
ZEMTRA_API ErrorCode ZemtraClose(DeviceHandle *handle);

/* ---- Register access ----------------------------------------------------- */

ZEMTRA_API ErrorCode ZemtraReadRegisterWord(DeviceHandle handle, int32_t offset,
                                            uint16_t *value);
ZEMTRA_API ErrorCode ZemtraWriteRegisterWord(DeviceHandle handle, int32_t offset,
                                             uint16_t value);
ZEMTRA_API ErrorCode ZemtraReadRegisterLong(DeviceHandle handle, int32_t offset,
                                            uint32_t *value);
ZEMTRA_API ErrorCode ZemtraWriteRegisterLong(DeviceHandle handle, int32_t offset,
                                             uint32_t value);
ZEMTRA_API ErrorCode ZemtraWriteRawPresetRegister(DeviceHandle handle, int16_t axis,
                                                  int32_t value);
ZEMTRA_API ErrorCode ZemtraGetRawPresetRegister(DeviceHandle handle, int16_t axis,
                                                int32_t *value);

/* ---- Sampling and presets ------------------------------------------------ */

ZEMTRA_API ErrorCode ZemtraSamplePosVel(DeviceHandle handle, int16_t axis);
ZEMTRA_API ErrorCode ZemtraReadRawPos(DeviceHandle handle, int16_t axis, int32_t *position);
ZEMTRA_API ErrorCode ZemtraReadRawVel(DeviceHandle handle, int16_t axis, int32_t *velocity);
ZEMTRA_API ErrorCode ZemtraGetRawPosVel(DeviceHandle handle, int16_t axis,
                                        int32_t *position, int32_t *velocity);
ZEMTRA_API ErrorCode ZemtraGetRawPosVelAll(DeviceHandle handle,
                                           int32_t *position1, int32_t *velocity1,
                                           int32_t *position2, int32_t *velocity2,
                                           int32_t *position3, int32_t *velocity3,
                                           uint16_t *sampleStatus);
ZEMTRA_API ErrorCode ZemtraPresetRaw(DeviceHandle handle, int16_t axis, int32_t value,
                                     uint16_t *status);
ZEMTRA_API ErrorCode ZemtraPresetRawAll(DeviceHandle handle, int32_t value1,
                                        int32_t value2, int32_t value3, uint16_t *status);

/* ---- Status, settings and interrupts ------------------------------------- */

ZEMTRA_API ErrorCode ZemtraGetStatus(DeviceHandle handle, uint16_t *status);
ZEMTRA_API ErrorCode ZemtraClearStatusBits(DeviceHandle handle, uint16_t bits,
                                           uint16_t *status);
ZEMTRA_API ErrorCode ZemtraClearStatusAll(DeviceHandle handle, uint16_t *status);
ZEMTRA_API ErrorCode ZemtraSetConfig(DeviceHandle handle, uint16_t config);
ZEMTRA_API ErrorCode ZemtraGetConfig(DeviceHandle handle, uint16_t *config);
ZEMTRA_API ErrorCode ZemtraSetFilter(DeviceHandle handle, uint16_t filter);
ZEMTRA_API ErrorCode ZemtraGetFilter(DeviceHandle handle, uint16_t *filter);
ZEMTRA_API ErrorCode ZemtraSetInterruptMask(DeviceHandle handle, uint16_t mask);
ZEMTRA_API ErrorCode ZemtraGetInterruptMask(DeviceHandle handle, uint16_t *mask);
ZEMTRA_API ErrorCode ZemtraPciInterruptEnable(DeviceHandle handle, int32_t enable);
ZEMTRA_API ErrorCode ZemtraPciInterruptAttach(DeviceHandle handle, uint32_t *event);

/* ---- Identification and error texts ------------------------------------- */

ZEMTRA_API ErrorCode ZemtraGetFPGARevs(DeviceHandle handle, uint32_t *revision1,
                                       uint32_t *revision2);
ZEMTRA_API ErrorCode ZemtraGetFPGAIds(DeviceHandle handle, uint32_t *productCode1,
                                      uint32_t *productCode2);
ZEMTRA_API ErrorCode ZemtraGetHdwRev(DeviceHandle handle, uint16_t *revision);
ZEMTRA_API int32_t ZemtraGetLibraryRev(void);
ZEMTRA_API const char *ZemtraGetErrStr(ErrorCode code);

#ifdef __cplusplus
}
#endif

#endif /* ZEMTRA_H */
