/* Lists the Zemtra boards the library finds and opens the first one. */
#include <stdio.h>
#include <stdlib.h>

#include "zemtra.h"

enum { MAX_BOARDS = 64 };

static int report(const char *what, ErrorCode code)
{
    fprintf(stderr, "%s: %s (%d)\n", what, ZemtraGetErrStr(code), code);
    return EXIT_FAILURE;
}

int main(void)
{
    DeviceLocation boards[MAX_BOARDS];
    uint32_t count = 0;
    ErrorCode code = ZemtraFind(NULL, &count, boards, MAX_BOARDS);
    if (code != ZEMTRA_SUCCESS)
        return report("ZemtraFind", code);
    printf("%u board(s) found\n", (unsigned)count);
    for (uint32_t i = 0; i < count; ++i)
        printf("  bus %d, slot %d\n", (int)boards[i].bus, (int)boards[i].slot);
    if (count == 0) {
        fprintf(stderr, "No board: set ZEMTRA_SIM=1 for a simulated one.\n");
        return EXIT_FAILURE;
    }

    DeviceLocation where = boards[0];
    DeviceHandle board = 0;
    int32_t id = 0;
    code = ZemtraOpen(&where, &board, &id);
    if (code != ZEMTRA_SUCCESS)
        return report("ZemtraOpen", code);
    uint16_t hardware = 0;
    code = ZemtraGetHdwRev(board, &hardware);
    if (code != ZEMTRA_SUCCESS)
        return report("ZemtraGetHdwRev", code);
    printf("opened bus %d, slot %d: ID 0x%X%s, hardware revision 0x%02X, library revision 0x%02X\n",
           (int)where.bus, (int)where.slot, (unsigned)id,
           id == ZEMTRA_BOARD_ID ? "" : " (not a Zemtra board ID)", (unsigned)(hardware >> 8),
           (unsigned)ZemtraGetLibraryRev());
    code = ZemtraClose(&board);
    if (code != ZEMTRA_SUCCESS)
        return report("ZemtraClose", code);
    return EXIT_SUCCESS;
}
