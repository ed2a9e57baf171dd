#pragma once

// The machine's locale for the core: the short date format (year forced to four digits), the
// decimal separator and the collation, taken from the system locale (LC_ALL / LC_TIME /
// LC_NUMERIC / LANG). The C/POSIX locale acts as en_US. Not core code: links Qt Core.

#include "domain/dates.h"
#include "domain/sorted_list.h"
#include "domain/state.h"

namespace orq {

// The system locale's short date format and decimal separator.
TFormatSettings SystemFormatSettings();

// The system locale's collation with letter case ignored.
CollationCompare SystemCollation();

// The current local date as a whole day.
TDateTime SystemToday();

// Sets the state's format settings and the lists' collation from the system locale.
void ApplySystemLocale(TOrqState& state);

} // namespace orq
