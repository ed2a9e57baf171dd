# Warning and sanitizer settings as interface targets, linked by every target of the project.
add_library(orq_warnings INTERFACE)
target_compile_options(orq_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
    -Wimplicit-fallthrough)

add_library(orq_sanitize INTERFACE)
if(ORQ_SANITIZE OR ORQ_FUZZ)
    target_compile_options(orq_sanitize INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(orq_sanitize INTERFACE -fsanitize=address,undefined)
endif()
if(ORQ_FUZZ)
    # Every library is instrumented for coverage so the fuzzer can steer through it.
    target_compile_options(orq_sanitize INTERFACE -fsanitize=fuzzer-no-link)
endif()

# The core layers must never see Qt: fail the configure step when a core source includes a
# Qt header, so the rule holds even before the compiler would reject the include.
function(orq_check_no_qt)
    foreach(file IN LISTS ARGN)
        file(STRINGS "${file}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
        if(hits)
            message(FATAL_ERROR "${file} is core code and includes a Qt header: ${hits}")
        endif()
    endforeach()
endfunction()

# orq_core_library(NAME DIR [DEPS...]): a Qt-free static library of every .cpp in DIR.
function(orq_core_library name dir)
    file(GLOB sources CONFIGURE_DEPENDS "${dir}/*.cpp")
    file(GLOB headers CONFIGURE_DEPENDS "${dir}/*.h")
    orq_check_no_qt(${sources} ${headers})
    if(NOT sources)
        # A layer that has no code yet is an interface library, so the layers above still link.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src
            ${PROJECT_BINARY_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARGN} orq_sanitize)
        return()
    endif()
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN} orq_sanitize PRIVATE orq_warnings)
endfunction()

# orq_test(NAME DIR DEPS...): one GoogleTest program of every .cpp in DIR, discovered by ctest.
function(orq_test name dir)
    file(GLOB sources CONFIGURE_DEPENDS "${dir}/*.cpp")
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock
        orq_warnings)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE
        ORQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ORQ_BINARY_DIR="${PROJECT_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
