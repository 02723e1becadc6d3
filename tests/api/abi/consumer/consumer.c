/* Built against an installed library: uses both installed headers. */
#include <zemtra.h>
#include <zemtra_registers.h>

#include <stdio.h>

int main(void)
{
    DeviceHandle board = 0;
    int32_t id = 0;
    uint32_t revision = 0;
    ErrorCode code = ZemtraOpen(NULL, &board, &id);
    if (code == ZEMTRA_SUCCESS)
        code = ZemtraReadRegisterLong(board, ZEMTRA_REG_FPGA1_REVISION, &revision);
    if (code != ZEMTRA_SUCCESS) {
        fprintf(stderr, "%s\n", ZemtraGetErrStr(code));
        return 1;
    }
    printf("board 0x%X, FPGA 1 revision 0x%X\n", (unsigned)id, (unsigned)revision);
    return ZemtraClose(&board) == ZEMTRA_SUCCESS ? 0 : 1;
}
