#include "cli/load_list.h"

#include <climits>
#include <ctime>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <unistd.h>

#include "base/error.h"
#include "base/file.h"
#include "domain/loader.h"
#include "domain/settings.h"
#include "import/list_import.h"
#if ORQ_HAVE_SYSLOCALE
#include "locale/system_locale.h"
#endif

namespace orq::cli {
namespace {

TDateTime ClockToday() {
#if ORQ_HAVE_SYSLOCALE
    return SystemToday();
#else
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
#endif
}

} // namespace

void PrepareState(const Invocation& invocation, TOrqState& state) {
#if ORQ_HAVE_SYSLOCALE
    ApplySystemLocale(state);
#endif
    if (auto today = invocation.Value("today")) {
        if (!TryParseIsoDate(*today, state.Today))
            throw UsageError{"--today needs a date as YYYY-MM-DD"};
    } else {
        state.Today = ClockToday();
    }
    state.ReferenceDate = state.Today;
    ReadSettings(invocation.Value("settings").value_or(kSettingsFileName), state);
}

void ReuseLoadMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest the allocator takes
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}

std::unique_ptr<import::TListImport> OpenListFile(const std::string& fileName) {
    auto import = std::make_unique<import::TListImport>();
    if (fileName == kStandardStream) {
        const TFileBytes bytes = ReadToEnd(STDIN_FILENO, fileName);
        import->OpenMemory(bytes.View(), fileName);
    } else {
        import->OpenFile(fileName);
    }
    return import;
}

void LoadList(const Invocation& invocation, const std::string& fileName, TOrqState& state,
              TMainView& view) {
    PrepareState(invocation, state);
    InitMainView(view, state);
    auto import = OpenListFile(fileName);
    import->SetActiveSheet(1);
    TLoadResult result = LoadAplRows(view, state, *import);
    if (result.Outcome == TLoadResult::NoAppointments) throw Failure{result.Message};
}

} // namespace orq::cli
