# Configures the project for another platform (nothing is built) and fails when one of its targets
# still holds a file or library that only Linux has: a backend must be picked per platform in CMake,
# never left in a shared target. Run as a test: cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DPLATFORM=apple
# -DCXX_COMPILER=... -P TargetPlatformCheck.cmake

# What only Linux has: its backends' files, and the libraries behind them.
set(linuxOnlyFile "_(unix|linux|libsecret|freedesktop|systemd)\\.(cpp|h)$")
set(linuxOnlyLibrary "(libsecret|secret-1|glib-2\\.0|gio-2\\.0|systemd)")

file(REMOVE_RECURSE ${BINARY_DIR})
# CMake's file API describes every target once the configure step is done.
file(WRITE ${BINARY_DIR}/.cmake/api/v1/query/codemodel-v2 "")
execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR} -DTALLYFERN_TARGET_PLATFORM=${PLATFORM}
            -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DTALLYFERN_BUILD_TESTS=OFF -DTALLYFERN_BUILD_BENCH=OFF
            -DTALLYFERN_FUZZ=OFF
    RESULT_VARIABLE configured
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT configured EQUAL 0)
    message(FATAL_ERROR "Configuring for ${PLATFORM} failed:\n${output}")
endif()

set(reply ${BINARY_DIR}/.cmake/api/v1/reply)
file(GLOB index ${reply}/index-*.json)
file(READ ${index} indexJson)
string(JSON codemodelFile GET ${indexJson} reply codemodel-v2 jsonFile)
file(READ ${reply}/${codemodelFile} codemodel)
string(JSON targetCount LENGTH ${codemodel} configurations 0 targets)
math(EXPR lastTarget "${targetCount} - 1")

set(faults)
foreach(t RANGE ${lastTarget})
    string(JSON name GET ${codemodel} configurations 0 targets ${t} name)
    string(JSON targetFile GET ${codemodel} configurations 0 targets ${t} jsonFile)
    file(READ ${reply}/${targetFile} target)
    set(sources)
    string(JSON sourceCount ERROR_VARIABLE none LENGTH ${target} sources)
    if(sourceCount GREATER 0)
        math(EXPR lastSource "${sourceCount} - 1")
        foreach(s RANGE ${lastSource})
            string(JSON path GET ${target} sources ${s} path)
            list(APPEND sources ${path})
            if(path MATCHES "${linuxOnlyFile}")
                list(APPEND faults "${name}: ${path}")
            endif()
        endforeach()
    endif()
    # What it links, and the include folders it compiles with (a library shows in either).
    set(libraries)
    set(linked)
    string(JSON fragmentCount ERROR_VARIABLE none LENGTH ${target} link commandFragments)
    if(fragmentCount GREATER 0)
        math(EXPR lastFragment "${fragmentCount} - 1")
        foreach(f RANGE ${lastFragment})
            string(JSON fragment GET ${target} link commandFragments ${f} fragment)
            list(APPEND libraries ${fragment})
            list(APPEND linked ${fragment})
        endforeach()
    endif()
    string(JSON groupCount ERROR_VARIABLE none LENGTH ${target} compileGroups)
    if(groupCount GREATER 0)
        math(EXPR lastGroup "${groupCount} - 1")
        foreach(g RANGE ${lastGroup})
            string(JSON includeCount ERROR_VARIABLE none LENGTH ${target} compileGroups ${g} includes)
            if(includeCount GREATER 0)
                math(EXPR lastInclude "${includeCount} - 1")
                foreach(i RANGE ${lastInclude})
                    string(JSON path GET ${target} compileGroups ${g} includes ${i} path)
                    list(APPEND libraries ${path})
                endforeach()
            endif()
        endforeach()
    endif()
    list(REMOVE_DUPLICATES libraries)
    foreach(library ${libraries})
        if(library MATCHES "${linuxOnlyLibrary}")
            list(APPEND faults "${name}: ${library}")
        endif()
    endforeach()
    list(LENGTH sources sourceTotal)
    list(FILTER linked EXCLUDE REGEX "^-")
    list(TRANSFORM linked REPLACE ".*/" "")
    message(STATUS "${name}: ${sourceTotal} files; links ${linked}")
endforeach()

if(faults)
    list(JOIN faults "\n  " faultLines)
    message(FATAL_ERROR "Linux-only in the ${PLATFORM} build:\n  ${faultLines}")
endif()
message(STATUS "${targetCount} targets for ${PLATFORM}, none with a Linux-only file or library")
