#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "domain/state.h"

namespace orq {

// The settings file's name; the program reads and writes it in the current directory.
inline constexpr const char* kSettingsFileName = "ORQ.ini";

// The settings file is read up to this size; anything beyond is ignored.
inline constexpr std::uint64_t kMaxSettingsFileSize = std::uint64_t{1} << 20; // 1 MiB

// Reads the settings at start: MinEST (31 by default), ReserveList and FirstRun (true when the
// file does not exist or is not a regular file). Reading never fails: unreadable content is
// read as far as it goes.
void ReadSettings(const std::string& path, TOrqState& state);

// The Ok of the settings dialog: writes `estText` as line 1 and each checked name as a further
// line (CR LF line ends), appending the checked names to ReserveList. The file is written to a
// temporary file beside it (created anew, never through a link), synced and renamed into place,
// so the earlier file survives a failed write.
// Returns false when the file could not be written (ReserveList is updated either way).
bool WriteSettings(const std::string& path, const std::string& estText,
                   const std::vector<std::string>& checkedNames, TOrqState& state);

// The EstButton caption: the minimum EST in decimal followed by "+ &EST/QT".
std::string EstButtonCaption(std::uint8_t minEst);

} // namespace orq
