# kalvora_test(<name> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>])
# One GoogleTest executable whose cases are registered with CTest one by one.
function(kalvora_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    # The variables go through env(1): test discovery passes a list-valued ENVIRONMENT on as
    # separate properties, which would keep all but the first variable from the test.
    if(ARG_ENV)
        set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "env;${ARG_ENV}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 120)
endfunction()
