# tallyfern_add_test(<name> LABEL <module> SOURCES <files...> LIBRARIES <targets...> [KEYRING])
#
# One Qt Test executable per module. Every test runs with a pinned locale and time zone, without a
# display, and with HOME and the XDG folders inside the build tree, so that nothing can reach the
# user's real files even before the test points them at its own temporary folders. KEYRING runs the
# test inside a private D-Bus session with an unlocked gnome-keyring.
function(tallyfern_add_test name)
    cmake_parse_arguments(ARG "KEYRING" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test tallyfern_test_support ${ARG_LIBRARIES})
    target_compile_definitions(${name} PRIVATE
        TALLYFERN_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")

    set(sandbox ${CMAKE_CURRENT_BINARY_DIR}/${name}.home)
    set(command $<TARGET_FILE:${name}>)
    if(ARG_KEYRING)
        set(command ${PROJECT_SOURCE_DIR}/scripts/with-keyring ${command})
    endif()
    add_test(NAME ${name} COMMAND ${command})
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABEL}"
        ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8;TZ=Asia/Shanghai;QT_QPA_PLATFORM=offscreen;HOME=${sandbox};XDG_DATA_HOME=${sandbox}/data;XDG_CONFIG_HOME=${sandbox}/config;XDG_CACHE_HOME=${sandbox}/cache;XDG_RUNTIME_DIR=${sandbox}/runtime")
    file(MAKE_DIRECTORY ${sandbox}/runtime)
endfunction()
