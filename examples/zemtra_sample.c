/* Opens the first board, presets the three axes, samples them ten times and
 * then waits for one interrupt: an A1 Glitch error, enabled at the mask, by
 * IRQ Enable and at the bridge. A simulated board with a glitching A1
 * (ZEMTRA_SIM=glitch=A1) latches one at the next sample command. */
#define _POSIX_C_SOURCE 200809L
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "zemtra.h"
#include "zemtra_registers.h"

enum { SAMPLES = 10, INTERRUPT_TIMEOUT_MS = 5000 };

static DeviceHandle board;

/* Prints the failure and ends the program, closing the board first. */
static void check(const char *what, ErrorCode code)
{
    if (code == ZEMTRA_SUCCESS)
        return;
    fprintf(stderr, "%s: %s (%d)\n", what, ZemtraGetErrStr(code), code);
    ZemtraClose(&board);
    exit(EXIT_FAILURE);
}

static void sample_ten_times(void)
{
    const struct timespec pause = {0, 100 * 1000 * 1000};
    for (int i = 0; i < SAMPLES; ++i) {
        int32_t pos[ZEMTRA_AXIS_COUNT] = {0}, vel[ZEMTRA_AXIS_COUNT] = {0};
        uint16_t valid = 0;
        ErrorCode code = ZemtraGetRawPosVelAll(board, &pos[0], &vel[0], &pos[1], &vel[1],
                                               &pos[2], &vel[2], &valid);
        if (code != ZEMTRA_SUCCESS && code != ZEMTRA_ERR_INVALID_DATA)
            check("ZemtraGetRawPosVelAll", code);
        printf("%2d:", i + 1);
        for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
            if (valid & ZemtraAxisRegisters[axis].sampleValid)
                printf("  A%d pos %11ld vel %8ld", axis + 1, (long)pos[axis], (long)vel[axis]);
            else
                printf("  A%d %-24s", axis + 1, "invalid");
        }
        printf("\n");
        nanosleep(&pause, NULL);
    }
}

/* Arms one interrupt source and waits for it; returns 0 when it came. */
static int wait_for_interrupt(void)
{
    uint16_t config = 0, status = 0;
    uint32_t event = 0;
    check("ZemtraClearStatusAll", ZemtraClearStatusAll(board, &status));
    check("ZemtraSetInterruptMask", ZemtraSetInterruptMask(board, ZEMTRA_IM_A1_GLITCH));
    check("ZemtraGetConfig", ZemtraGetConfig(board, &config));
    check("ZemtraSetConfig", ZemtraSetConfig(board, config | ZEMTRA_CONFIG_IRQ_ENABLE));
    check("ZemtraPciInterruptEnable", ZemtraPciInterruptEnable(board, 1));
    check("ZemtraPciInterruptAttach", ZemtraPciInterruptAttach(board, &event));

    check("ZemtraSamplePosVel", ZemtraSamplePosVel(board, 0));
    printf("waiting up to %d ms for an A1 Glitch interrupt...\n", INTERRUPT_TIMEOUT_MS);
    struct pollfd ready = {(int)event, POLLIN, 0};
    int result = poll(&ready, 1, INTERRUPT_TIMEOUT_MS);
    if (result == 1) {
        /* An eventfd hands out 8 bytes, a UIO device 4. */
        unsigned char count[8];
        if (read((int)event, count, sizeof count) < 0 && read((int)event, count, 4) < 0)
            perror("read interrupt event");
        check("ZemtraGetStatus", ZemtraGetStatus(board, &status));
        printf("interrupt: status word 0x%04X\n", (unsigned)status);
    } else {
        printf("no interrupt within the timeout\n");
    }
    close((int)event);
    check("ZemtraPciInterruptEnable", ZemtraPciInterruptEnable(board, 0));
    return result == 1 ? 0 : 1;
}

int main(void)
{
    DeviceLocation where;
    int32_t id = 0;
    uint16_t status = 0;
    check("ZemtraOpen", ZemtraOpen(ZemtraDefaultDevice(&where), &board, &id));
    printf("board at bus %d, slot %d, ID 0x%X\n", (int)where.bus, (int)where.slot, (unsigned)id);

    ErrorCode code = ZemtraPresetRawAll(board, 0, 1000, -1000, &status);
    if (code == ZEMTRA_ERR_INVALID_DATA)
        printf("preset: %s, status word 0x%04X\n", ZemtraGetErrStr(code), (unsigned)status);
    else
        check("ZemtraPresetRawAll", code);

    sample_ten_times();
    int missed = wait_for_interrupt();
    check("ZemtraClose", ZemtraClose(&board));
    return missed ? EXIT_FAILURE : EXIT_SUCCESS;
}
