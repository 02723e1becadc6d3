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

/* Conventions of every function below that takes a DeviceHandle:
 *  - argument checks come first and touch nothing: a null handle value or a
 *    null required pointer gives ZEMTRA_ERR_NULL_PARAMETER (17), an axis
 *    other than 0, 1, 2 gives ZEMTRA_ERR_NO_AXIS (24), a misaligned or
 *    negative offset gives ZEMTRA_ERR_BAD_ADDRESS (21);
 *  - a handle that names no open board (closed, or never handed out) gives
 *    ZEMTRA_ERR_INVALID_HANDLE (16) and never reaches any board;
 *  - ZEMTRA_ERR_UNLOCK (23) means the board record could not be released
 *    after the register accesses were made; writes stay made;
 *  - out-pointers are written only on success unless a function says more;
 *  - axes are numbered 0, 1, 2 (shown to users as Axis 1, 2, 3; bit names
 *    A1, A2, A3); only the low 16 bits of an axis or word argument count.
 * Calls on one handle may come from several threads; ZemtraClose waits for
 * calls still inside on that handle before the record goes away. */

/* ---- Boards and handles ------------------------------------------------ */

/* Sets *location to "any bus, any slot" (-1, -1) unless location is NULL.
 * Returns location unchanged. */
ZEMTRA_API DeviceLocation *ZemtraDefaultDevice(DeviceLocation *location);

/* Lists the boards that match filter (NULL = any). *count is set to 0 first,
 * then to the number of entries written to list, at most capacity. With
 * list NULL and capacity 0, *count receives the number of matching boards.
 * Codes: 17 (count NULL, or list NULL with capacity > 0), 18 device not
 * found, 19 driver not found, 20 insufficient memory, 26 other driver code.
 * A failure part way leaves the entries written so far, counted in *count. */
ZEMTRA_API ErrorCode ZemtraFind(const DeviceLocation *filter, uint32_t *count,
                                DeviceLocation *list, uint32_t capacity);

/* Opens the first board at *location (NULL = any) and stores its handle in
 * *handle; *handle is 0 on every failure. On success *location (if given)
 * receives the bus and slot actually opened, and *boardId (if given) the
 * FPGA 1 product code, ZEMTRA_BOARD_ID on a board of this kind.
 * Codes: 17 (handle NULL), 18, 19, 20, 26 as for ZemtraFind; 27, 28, 29 when
 * the board's windows cannot be mapped; 22 no memory for the record; 30 or
 * 23 when the new record cannot be locked or unlocked.
 * A failed open releases everything it acquired. */
ZEMTRA_API ErrorCode ZemtraOpen(DeviceLocation *location, DeviceHandle *handle,
                                int32_t *boardId);

/* Closes the board and sets *handle to 0. A second close of the same
 * variable gives 16. Codes: 17 (handle NULL), 16, 18 or 26 when the driver
 * refuses (the board then stays open and *handle keeps its value). */
ZEMTRA_API ErrorCode ZemtraClose(DeviceHandle *handle);

/* ---- Register access ----------------------------------------------------- */

/* One 16-bit (Word) or 32-bit (Long) access at a byte offset of the register
 * window; see zemtra_registers.h for the map. Word offsets must be even, Long
 * offsets divisible by 4; such an offset, a negative one, or one beyond the
 * mapped window gives 21 and touches nothing. The library keeps no list of
 * valid offsets: any aligned offset inside the window is accessed. */
ZEMTRA_API ErrorCode ZemtraReadRegisterWord(DeviceHandle handle, int32_t offset,
                                            uint16_t *value);
ZEMTRA_API ErrorCode ZemtraWriteRegisterWord(DeviceHandle handle, int32_t offset,
                                             uint16_t value);
ZEMTRA_API ErrorCode ZemtraReadRegisterLong(DeviceHandle handle, int32_t offset,
                                            uint32_t *value);
ZEMTRA_API ErrorCode ZemtraWriteRegisterLong(DeviceHandle handle, int32_t offset,
                                             uint32_t value);

/* Writes or reads the axis's 32-bit preset register. Writing it does not move
 * the position: ZemtraPresetRaw does. Codes: 24 (checked before the handle),
 * 17, 16, 23. */
ZEMTRA_API ErrorCode ZemtraWriteRawPresetRegister(DeviceHandle handle, int16_t axis,
                                                  int32_t value);
ZEMTRA_API ErrorCode ZemtraGetRawPresetRegister(DeviceHandle handle, int16_t axis,
                                                int32_t *value);

/* ---- Sampling and presets ------------------------------------------------ */

/* Commands the board to latch the axis's position and velocity. Codes: 24
 * (checked before the handle), 17, 16, 23. */
ZEMTRA_API ErrorCode ZemtraSamplePosVel(DeviceHandle handle, int16_t axis);

/* Reads the position (velocity) latched by the last sample command, without
 * sampling. 25 and *position untouched when the axis's sample valid bit is
 * clear. Codes: 17, 24, 16, 25, 23. */
ZEMTRA_API ErrorCode ZemtraReadRawPos(DeviceHandle handle, int16_t axis, int32_t *position);
ZEMTRA_API ErrorCode ZemtraReadRawVel(DeviceHandle handle, int16_t axis, int32_t *velocity);

/* Samples one axis and reads its position and velocity. 25 and both values
 * untouched when the board reports no valid sample (no signal on the axis or
 * the reference). Codes: 17, 24, 16, 25, 23. */
ZEMTRA_API ErrorCode ZemtraGetRawPosVel(DeviceHandle handle, int16_t axis,
                                        int32_t *position, int32_t *velocity);

/* Samples all three axes with one command and reads each valid one (A1 =
 * axis 0 first). *sampleStatus receives the Sample Status register read back
 * (valid bits ZEMTRA_SMP_A1/A2/A3_SAMPLE). 25 when any axis was not valid:
 * that axis's values stay untouched, the others are read. Codes: 17, 16, 25,
 * 23 (then *sampleStatus is not written). */
ZEMTRA_API ErrorCode ZemtraGetRawPosVelAll(DeviceHandle handle,
                                           int32_t *position1, int32_t *velocity1,
                                           int32_t *position2, int32_t *velocity2,
                                           int32_t *position3, int32_t *velocity3,
                                           uint16_t *sampleStatus);

/* Sets the axis's position to value: clears the old errors of the axis and
 * the reference, loads the preset register and issues the preset command.
 * *status receives the status word (ZEMTRA_STATUS_*) right after. 25 when
 * the axis or the reference showed Glitch or No Sig then; the preset command
 * was written all the same. Codes: 17, 24, 16, 25, 23. */
ZEMTRA_API ErrorCode ZemtraPresetRaw(DeviceHandle handle, int16_t axis, int32_t value,
                                     uint16_t *status);
/* The same for all three axes at once (value1 for A1 = axis 0). */
ZEMTRA_API ErrorCode ZemtraPresetRawAll(DeviceHandle handle, int32_t value1,
                                        int32_t value2, int32_t value3, uint16_t *status);

/* ---- Status, settings and interrupts ------------------------------------- */

/* Reads the status word: Glitch and No Sig of A1, A2, A3 and the reference
 * (ZEMTRA_STATUS_* bits). Codes: 17, 16, 23. */
ZEMTRA_API ErrorCode ZemtraGetStatus(DeviceHandle handle, uint16_t *status);
/* Clears the errors whose bits (status word layout) are set, then reads the
 * status word into *status. Codes: 17, 16, 23. */
ZEMTRA_API ErrorCode ZemtraClearStatusBits(DeviceHandle handle, uint16_t bits,
                                           uint16_t *status);
/* Clears exactly the errors present, then reads the status word. */
ZEMTRA_API ErrorCode ZemtraClearStatusAll(DeviceHandle handle, uint16_t *status);

/* Writes or reads the configuration word: ZEMTRA_CONFIG_A1_DIR, _A2_DIR,
 * _A3_DIR (counting direction) and _IRQ_ENABLE (the board's global interrupt
 * enable). To change one setting, get the word, change the bits, set it.
 * Codes: 17, 16, 23 (ZemtraGetConfig then leaves *config untouched). */
ZEMTRA_API ErrorCode ZemtraSetConfig(DeviceHandle handle, uint16_t config);
ZEMTRA_API ErrorCode ZemtraGetConfig(DeviceHandle handle, uint16_t *config);

/* Writes or reads the filter word: ZEMTRA_FILTER_ENABLE, Kv and Kp (0 to 3
 * each, ZEMTRA_FILTER_KV_* and _KP_*). Codes: 17, 16, 23. */
ZEMTRA_API ErrorCode ZemtraSetFilter(DeviceHandle handle, uint16_t filter);
ZEMTRA_API ErrorCode ZemtraGetFilter(DeviceHandle handle, uint16_t *filter);

/* Writes or reads the interrupt mask: a set ZEMTRA_IM_* bit lets that error
 * interrupt (note: a layout of its own, not the status word's). */
ZEMTRA_API ErrorCode ZemtraSetInterruptMask(DeviceHandle handle, uint16_t mask);
ZEMTRA_API ErrorCode ZemtraGetInterruptMask(DeviceHandle handle, uint16_t *mask);

/* Enables (enable != 0) or disables the board's interrupt at the PCI bridge.
 * Codes: 17, 16, 23, 31 other driver failure. */
ZEMTRA_API ErrorCode ZemtraPciInterruptEnable(DeviceHandle handle, int32_t enable);

/* Attaches an interrupt event and stores it in *event (0 on failure). The
 * event is a file descriptor owned by the caller, who closes it with
 * close(2) when done; the library starts no thread. The board interrupts
 * when a newly latched error's mask bit is set, IRQ Enable is set in the
 * configuration word and the bridge source is enabled:
 *     struct pollfd p = { (int)event, POLLIN, 0 };
 *     if (poll(&p, 1, timeout_ms) == 1) {
 *         read() the descriptor to reset it;
 *         ZemtraGetStatus() tells the cause, ZemtraClearStatusBits() clears it;
 *         ZemtraPciInterruptEnable(handle, 1) re-arms the bridge source;
 *     }
 * On a simulated board the descriptor is an eventfd: read 8 bytes (uint64_t).
 * On a real board it is the board's UIO device: read 4 bytes (the uint32_t
 * interrupt count), and re-enable as shown, which UIO needs after each
 * interrupt and which is harmless on a simulated board.
 * Codes: 17, 16, 23, 32 too many attached events, 31 other failure. */
ZEMTRA_API ErrorCode ZemtraPciInterruptAttach(DeviceHandle handle, uint32_t *event);

/* ---- Identification and error texts ------------------------------------- */

/* Reads the revision (product) codes of FPGA 1 and FPGA 2, in that order.
 * Codes: 17, 16, 23 (the values stay stored). */
ZEMTRA_API ErrorCode ZemtraGetFPGARevs(DeviceHandle handle, uint32_t *revision1,
                                       uint32_t *revision2);
ZEMTRA_API ErrorCode ZemtraGetFPGAIds(DeviceHandle handle, uint32_t *productCode1,
                                      uint32_t *productCode2);
/* Reads the hardware revision word; its high byte is the revision shown to
 * users. Codes: 17, 16, 23. */
ZEMTRA_API ErrorCode ZemtraGetHdwRev(DeviceHandle handle, uint16_t *revision);
/* The library's revision, 0x10. Needs no board. */
ZEMTRA_API int32_t ZemtraGetLibraryRev(void);
/* The text of an error code: a static string, never NULL, valid for the life
 * of the library; "Invalid error code" for a code the library never returns.
 * Needs no board. */
ZEMTRA_API const char *ZemtraGetErrStr(ErrorCode code);

#ifdef __cplusplus
}
#endif

#endif /* ZEMTRA_H */
