// Opens a processing list (.xls, .xlsx or .csv, by its content) with the program's import
// component and reads every cell value of its first sheet through CellValue, rows 1 to RowCount
// and columns 1 to 27, as the loader does. Timed as a whole process by scripts/bench_reader.sh
// and scripts/bench_readers.sh.
//
//     tool_read_cells FILE
#include <cstdio>
#include <memory>
#include <string>
#include <variant>

#include "base/error.h"
#include "import/list_import.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tool_read_cells FILE\n");
        return 2;
    }
    try {
        auto import = std::make_unique<orq::import::TListImport>();
        import->OpenFile(argv[1]);
        import->SetActiveSheet(1);
        const int rows = import->RowCount();
        // A summary of what was read, so that no read can be left out.
        long long cells = 0;
        long long characters = 0;
        double sum = 0;
        for (int row = 1; row <= rows; ++row) {
            for (int column = 1; column <= 27; ++column) {
                const orq::TCellValue value = import->CellValue(row, column);
                if (value.index() == 0) continue;
                ++cells;
                if (const auto* text = std::get_if<std::u16string>(&value))
                    characters += static_cast<long long>(text->size());
                else if (const auto* utf8 = std::get_if<std::string>(&value))
                    for (char c : *utf8) // code points: every byte but continuation bytes
                        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                else if (const auto* number = std::get_if<double>(&value))
                    sum += *number;
            }
        }
        std::printf("%d rows, %lld cells, %lld characters, sum %g\n", rows, cells, characters, sum);
    } catch (const orq::Error& error) {
        std::fprintf(stderr, "%s\n", orq::DisplayText(error.what()).c_str());
        return 1;
    }
    return 0;
}
