# The layers: a library uses another only through a link, and includes headers only from itself
# and from the libraries it links. The engine (naming, renaming) must not reach a widget or the
# disk, not even through a library it links, so its table row names everything it may use.
# Links are checked at configure time; includes at build time, before the library compiles, so an
# edit that adds a forbidden include fails the next build.

# Collects into `out` every target that `target` links, directly or through other targets.
function(tarvelok_linked_targets target out)
    set(seen ${${out}})
    get_target_property(type ${target} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${target} LINK_LIBRARIES)
        if(direct)
            list(APPEND links ${direct})
        endif()
    endif()
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    if(interface)
        list(APPEND links ${interface})
    endif()
    foreach(link IN LISTS links)
        # Generator expressions inside Qt's imported targets name platform libraries only.
        if(link MATCHES "\\$<" OR NOT TARGET ${link})
            continue()
        endif()
        get_target_property(aliased ${link} ALIASED_TARGET)
        if(aliased)
            set(link ${aliased})
        endif()
        if(NOT link IN_LIST seen)
            list(APPEND seen ${link})
            tarvelok_linked_targets(${link} seen)
        endif()
    endforeach()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

# tarvelok_layer(<target> [ONLY <targets...>] [POSIX] [NO_MODELS])
#
# One row of the layer table. Without ONLY the target may link anything, and includes from the
# folders under src/ of the libraries it links. With ONLY it may link nothing but the named targets
# (and what they link), include Qt headers only of the named Qt modules, and POSIX headers only
# when POSIX is named. NO_MODELS refuses the headers of item models, Qt's and ours alike: Qt Core
# holds them, yet data in a model is data kept for a view.
function(tarvelok_layer target)
    cmake_parse_arguments(ARG "POSIX;NO_MODELS" "" "ONLY" ${ARGN})
    set(linked)
    tarvelok_linked_targets(${target} linked)

    set(qt_headers)
    set(posix ON)
    set(models ON)
    if(ARG_ONLY)
        set(allowed)
        foreach(only IN LISTS ARG_ONLY)
            get_target_property(aliased ${only} ALIASED_TARGET)
            if(aliased)
                set(only ${aliased})
            endif()
            list(APPEND allowed ${only})
            tarvelok_linked_targets(${only} allowed)
            if(only MATCHES "^Qt6::(.+)$")
                list(APPEND qt_headers "${CMAKE_MATCH_1}")
            endif()
        endforeach()
        foreach(link IN LISTS linked)
            if(NOT link IN_LIST allowed)
                message(FATAL_ERROR "${target} links ${link}; its layer allows only ${ARG_ONLY}")
            endif()
        endforeach()
        set(posix ${ARG_POSIX})
        set(models ON)
        if(ARG_NO_MODELS)
            set(models OFF)
        endif()
        if(NOT qt_headers)
            set(qt_headers "-")
        endif()
    endif()

    # The folders it may include from: its own and those of the libraries it links.
    get_target_property(own_dir ${target} SOURCE_DIR)
    file(RELATIVE_PATH own ${PROJECT_SOURCE_DIR}/src ${own_dir})
    set(folders ${own})
    foreach(link IN LISTS linked)
        if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/src/${link})
            list(APPEND folders ${link})
        endif()
    endforeach()

    set(sources)
    get_target_property(listed ${target} SOURCES)
    foreach(source IN LISTS listed)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${own_dir})
        if(source MATCHES "\\.(cpp|h)$" AND EXISTS ${source})
            list(APPEND sources ${source})
        endif()
    endforeach()

    set(settings ${PROJECT_BINARY_DIR}/layers/${target}.cmake)
    set(stamp ${PROJECT_BINARY_DIR}/layers/${target}.checked)
    file(CONFIGURE OUTPUT ${settings} CONTENT [[
set(LIBRARY "@target@")
set(FOLDERS "@folders@")
set(SOURCES "@sources@")
set(QT_MODULES "@qt_headers@")
set(POSIX "@posix@")
set(MODELS "@models@")
]] @ONLY)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DSETTINGS=${settings} -DSTAMP=${stamp}
                -DQT_INCLUDE_ROOT=${TARVELOK_QT_INCLUDE_ROOT}
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
        DEPENDS ${sources} ${settings} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
        COMMENT "Checking the includes of ${target} against its layer"
        VERBATIM)
    add_custom_target(${target}_layer DEPENDS ${stamp})
    add_dependencies(${target} ${target}_layer)
endfunction()

# Where Qt's module folders (QtCore, QtGui, ...) stand, found from Qt Core's own headers.
get_target_property(qt_core_includes Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
foreach(dir IN LISTS qt_core_includes)
    if(dir MATCHES "/QtCore$")
        cmake_path(GET dir PARENT_PATH TARVELOK_QT_INCLUDE_ROOT)
    endif()
endforeach()
