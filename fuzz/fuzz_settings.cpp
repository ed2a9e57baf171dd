// Fuzzes the settings file. The input is written as the settings file and read; whatever it
// holds, reading must end (never fail) with a minimum EST and a list of reserve names that
// together take no more than the file's bytes. The settings read are then written the way the
// settings dialog writes them, and reading that file again must give the same settings.
//
// Seeds (fuzz/corpus/fuzz_settings): settings files as the dialog writes them and as people
// edit them (LF line ends, blank lines, a first line that is no number).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "domain/settings.h"

namespace {

// A folder of this process for the two files.
const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/orq-fuzz-settings-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        return std::string(pattern);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder() + "/ORQ.ini";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    orq::TOrqState state;
    orq::ReadSettings(path, state);
    if (state.FirstRun) std::abort(); // the file exists and is a regular file
    std::size_t held = 0;
    for (const std::string& name : state.ReserveList) {
        if (name.find_first_of("\r\n") != std::string::npos) std::abort();
        held += name.size() + 1; // each name ends a line
    }
    if (held > size) std::abort();

    // Written as the dialog writes it, the same settings read back.
    const std::string copy = Folder() + "/copy.ini";
    orq::TOrqState written;
    if (!orq::WriteSettings(copy, std::to_string(state.MinEST), state.ReserveList, written))
        std::abort();
    orq::TOrqState again;
    orq::ReadSettings(copy, again);
    if (again.MinEST != state.MinEST || again.ReserveList != state.ReserveList) std::abort();
    return 0;
}
