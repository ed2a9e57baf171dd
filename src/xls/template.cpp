#include "xls/template.h"

namespace orq::xls {
namespace {
#include "xls/template_data.inc"
} // namespace

std::span<const std::uint8_t> EmptyWorkbookTemplate() {
    return kTAVROEMPTYSHEET;
}

std::span<const std::uint8_t> EmptyWorksheetTemplate() {
    return kTAVROEMPTYWSHEET;
}

} // namespace orq::xls
