// Calls of Format and Fail that must not compile: ctest compiles this file once per case with
// -DCASE_<name> and expects the compiler to refuse it; with no case defined it must compile, so
// that a refusal can only come from the call under test.
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/format.h"

inline constexpr const char* kMsgRow = "Invalid Row (%d)";

void Calls(const char* runtimePattern, int* pointer, std::string_view view) {
    (void)runtimePattern;
    (void)pointer;
    (void)view;
    (void)orq::Format(kMsgRow, 7);
    (void)orq::Format("%s and %s", "a", std::string("b"));
    (void)orq::Format(runtimePattern); // no fields: taken as it stands
#if defined(CASE_text_for_an_integer)
    (void)orq::Format(kMsgRow, "seven");
#elif defined(CASE_integer_for_a_text)
    (void)orq::Format("File %s", 3);
#elif defined(CASE_floating_for_an_integer)
    (void)orq::Format("%d", 2.5);
#elif defined(CASE_too_many_arguments)
    (void)orq::Format(kMsgRow, 1, 2);
#elif defined(CASE_too_few_arguments)
    (void)orq::Format("%d of %d", 1);
#elif defined(CASE_unknown_conversion)
    (void)orq::Format("%p", 1);
#elif defined(CASE_pointer_argument)
    (void)orq::Format("%d", pointer);
#elif defined(CASE_string_view_argument)
    (void)orq::Format("%s", view);
#elif defined(CASE_runtime_pattern_with_fields)
    (void)orq::Format(runtimePattern, 1);
#elif defined(CASE_fail_with_a_wrong_field)
    orq::Fail("Can't read file \"%s\"", 1);
#endif
}
