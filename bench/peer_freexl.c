/* The speed peer of tool_read_cells: FreeXL opens the same processing list and reads every cell
 * value of its first sheet, rows 1 to the last row and columns 1 to 27. Compiled and timed by
 * scripts/bench_reader.sh only.
 *
 *     peer_freexl FILE.xls
 */
#include <freexl.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    const void* handle = NULL;
    unsigned int rows = 0;
    unsigned short columns = 0;
    long long cells = 0, characters = 0;
    double sum = 0;
    if (argc != 2) {
        fprintf(stderr, "usage: peer_freexl FILE.xls\n");
        return 2;
    }
    if (freexl_open(argv[1], &handle) != FREEXL_OK) {
        fprintf(stderr, "freexl_open failed\n");
        return 1;
    }
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        fprintf(stderr, "no worksheet\n");
        freexl_close(handle);
        return 1;
    }
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < 27 && column < columns; ++column) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(handle, row, column, &value) != FREEXL_OK) continue;
            switch (value.type) {
            case FREEXL_CELL_NULL: continue;
            case FREEXL_CELL_INT: sum += value.value.int_value; break;
            case FREEXL_CELL_DOUBLE: sum += value.value.double_value; break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: characters += (long long)strlen(value.value.text_value); break;
            default: break;
            }
            ++cells;
        }
    }
    printf("%u rows, %lld cells, %lld characters, sum %g\n", rows, cells, characters, sum);
    freexl_close(handle);
    return 0;
}
