/* A customer's program in strict C99: only the public header, every type it
 * names, and a round trip through a simulated board. */
#include "zemtra.h"

#include <stdio.h>
#include <string.h>

int main(void)
{
    DeviceLocation where;
    DeviceHandle board = 0;
    int32_t id = 0;
    uint32_t count = 0;
    uint16_t word = 0;
    ErrorCode code;
    long wide = 0x10010L;

    if (sizeof(DeviceLocation) != 8 || sizeof(DeviceHandle) != 4 || sizeof(ErrorCode) != 2)
        return 1;
    if (ZemtraGetLibraryRev() != 0x10 || strcmp(ZemtraGetErrStr(wide), "Invalid Handle") != 0)
        return 2;
    if (ZemtraFind(NULL, &count, NULL, 0) != ZEMTRA_SUCCESS || count != 1)
        return 3;
    code = ZemtraOpen(ZemtraDefaultDevice(&where), &board, &id);
    if (code != ZEMTRA_SUCCESS || id != ZEMTRA_BOARD_ID)
        return 4;
    if (ZemtraSetFilter(board, 0x0013) != ZEMTRA_SUCCESS ||
        ZemtraGetFilter(board, &word) != ZEMTRA_SUCCESS || word != 0x0013)
        return 5;
    if (ZemtraClose(&board) != ZEMTRA_SUCCESS || board != 0)
        return 6;
    printf("ok: board at bus %d, slot %d\n", (int)where.bus, (int)where.slot);
    return 0;
}
