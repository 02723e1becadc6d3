/* A customer's program in strict C99: both public headers, every type they
 * name, and a round trip through a simulated board. */
#include <zemtra.h>
#include <zemtra_registers.h>

#include <stdio.h>
#include <string.h>

int main(void)
{
    DeviceLocation where;
    DeviceHandle board = 0;
    int32_t id = 0;
    uint32_t count = 0, revision = 0;
    uint16_t word = 0;
    long wide = 0x10010L;

    if (sizeof(DeviceLocation) != 8 || sizeof(DeviceHandle) != 4 || sizeof(ErrorCode) != 2)
        return 1;
    if (ZemtraGetLibraryRev() != 0x10 || strcmp(ZemtraGetErrStr(wide), "Invalid Handle") != 0)
        return 2;
    if (ZemtraFind(NULL, &count, NULL, 0) != ZEMTRA_SUCCESS || count != 1)
        return 3;
    if (ZemtraOpen(ZemtraDefaultDevice(&where), &board, &id) != ZEMTRA_SUCCESS || id != ZEMTRA_BOARD_ID)
        return 4;
    if (ZemtraSetFilter(board, 0x0013) != ZEMTRA_SUCCESS || ZemtraGetFilter(board, &word) != ZEMTRA_SUCCESS ||
        word != 0x0013 || ZemtraReadRegisterLong(board, ZEMTRA_REG_FPGA1_REVISION, &revision) != ZEMTRA_SUCCESS)
        return 5;
    if (ZemtraClose(&board) != ZEMTRA_SUCCESS || board != 0)
        return 6;
    printf("board 0x%X at bus %d, slot %d, FPGA 1 revision 0x%X\n", (unsigned)id, (int)where.bus,
           (int)where.slot, (unsigned)revision);
    return 0;
}
