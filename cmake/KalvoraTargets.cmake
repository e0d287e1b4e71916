# kalvora_test(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
# One GoogleTest executable whose cases are registered with CTest one by one.
function(kalvora_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 120)
endfunction()
