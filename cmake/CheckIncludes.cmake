# Run as `cmake -DSETTINGS=<file> [-DSTAMP=<file>] [-DQT_INCLUDE_ROOT=<dir>] -P CheckIncludes.cmake`
# by the build (see LayerRule.cmake): fails, naming every offending line, when a source includes a
# header its layer does not allow. SETTINGS sets LIBRARY, FOLDERS (the folders under src/ it may
# include from), SOURCES, QT_MODULES (empty: any; "-": none), POSIX (whether POSIX headers may
# be included) and MODELS (whether item-model headers may: QAbstractListModel, *_model.h).
cmake_minimum_required(VERSION 3.25)
include(${SETTINGS})

# Headers that reach the disk or the process directly; the engine asks platform's seams instead.
set(posix_headers dirent.h fcntl.h unistd.h)

set(offences)
foreach(source IN LISTS SOURCES)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "include[ \t]*([<\"])([^\">]+)")
            continue()
        endif()
        set(kind "${CMAKE_MATCH_1}")
        set(header "${CMAKE_MATCH_2}")
        set(allowed ON)
        if(kind STREQUAL "\"")
            if(header MATCHES "^([^/]+)/")
                if(NOT CMAKE_MATCH_1 IN_LIST FOLDERS)
                    set(allowed OFF)
                endif()
            else()
                cmake_path(GET source PARENT_PATH folder)
                if(NOT EXISTS ${folder}/${header})
                    set(allowed OFF)
                endif()
            endif()
        elseif(QT_MODULES AND header MATCHES "^Q")
            # A Qt header is allowed when one of the allowed modules holds it.
            set(allowed OFF)
            foreach(module IN LISTS QT_MODULES)
                if(NOT module STREQUAL "-" AND (EXISTS ${QT_INCLUDE_ROOT}/Qt${module}/${header} OR
                                                header MATCHES "^Qt${module}/"))
                    set(allowed ON)
                endif()
            endforeach()
        elseif(NOT POSIX AND (header IN_LIST posix_headers OR header MATCHES "^sys/"))
            set(allowed OFF)
        endif()
        if(DEFINED MODELS AND NOT MODELS AND
           header MATCHES "(^|/)(Q[A-Za-z]*Model|[a-z_]*_model\\.h)$")
            set(allowed OFF)
        endif()
        if(NOT allowed)
            list(APPEND offences "${source}: ${LIBRARY} includes ${header}")
        endif()
    endforeach()
endforeach()

if(offences)
    foreach(offence IN LISTS offences)
        message(NOTICE "${offence}")
    endforeach()
    message(FATAL_ERROR "${LIBRARY} includes from outside its layer, which allows only ${FOLDERS}")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
