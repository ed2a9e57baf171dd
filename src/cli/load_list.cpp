#include "cli/load_list.h"

#include <ctime>

#include "base/error.h"
#include "domain/loader.h"
#include "domain/settings.h"
#include "xls/tavro_import.h"
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

int LoadList(const Invocation& invocation, const std::string& fileName, TOrqState& state,
             TMainView& view, std::ostream& err) {
    PrepareState(invocation, state);
    InitMainView(view, state);
    try {
        auto import = xls::TTavroImport::WithOwnAdapter();
        TLoadResult result = OpenApl(view, state, *import, fileName);
        if (result.Outcome == TLoadResult::NoAppointments) {
            err << result.Message << "\n";
            return kFailure;
        }
    } catch (const TLoadFailure& failure) {
        err << failure.what() << "\n"; // the loader's own message box: its text as it is
        return kFailure;
    } catch (const Error& failure) {
        err << DisplayText(failure.what()) << "\n";
        return kFailure;
    }
    return kOk;
}

} // namespace orq::cli
