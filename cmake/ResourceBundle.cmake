# Builds the resource bundle's description (a .qrc file) from the resources/
# folder and from the pinned script libraries installed by npm.

set(VANTARA_NODE_MODULES ${CMAKE_SOURCE_DIR}/node_modules)
set(VANTARA_BUNDLE_DIR ${CMAKE_BINARY_DIR}/bundle)

# vantara_bundle_library(ALIAS <path in bundle> FROM <path under node_modules> [STRIP <text>])
# Copies one library file into the bundle, dropping STRIP (a CommonJS
# prologue that a browser cannot run) where given.
function(vantara_bundle_library)
    cmake_parse_arguments(ARG "" "ALIAS;FROM;STRIP" "" ${ARGN})
    set(source ${VANTARA_NODE_MODULES}/${ARG_FROM})
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "Missing ${source}: run 'npm ci' in ${CMAKE_SOURCE_DIR} first "
                            "(tools/build.sh does it for you).")
    endif()
    set(target ${VANTARA_BUNDLE_DIR}/${ARG_ALIAS})
    if(ARG_STRIP)
        file(READ ${source} content)
        string(REPLACE "${ARG_STRIP}" "" content "${content}")
        file(WRITE ${target}.tmp "${content}")
        configure_file(${target}.tmp ${target} COPYONLY)
    else()
        configure_file(${source} ${target} COPYONLY)
    endif()
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    set_property(GLOBAL APPEND PROPERTY VANTARA_BUNDLE_FILES "${ARG_ALIAS}|${target}")
endfunction()

# The compiled-in addresses, as CMake variables (VANTARA_DEFAULT_START_PAGE ...),
# so that bundled pages name the same values as the program.
file(STRINGS ${CMAKE_SOURCE_DIR}/shell/Addresses.h address_lines REGEX "^#define VANTARA_")
foreach(line IN LISTS address_lines)
    if(line MATCHES "^#define (VANTARA_[A-Z0-9_]+) \"(.*)\"$")
        set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
endforeach()
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/shell/Addresses.h)

# vantara_bundle_folder(<folder>): every file below <folder>, under its path
# relative to <folder>, except artwork sources and build files.
function(vantara_bundle_folder folder)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${folder} ${folder}/*)
    foreach(f IN LISTS files)
        if(f MATCHES "^(artwork/|CMakeLists\\.txt$)" OR f MATCHES "(^|/)\\.")
            continue()
        endif()
        if(f MATCHES "\\.html$")
            # Pages name the compiled-in addresses as @VANTARA_...@.
            configure_file(${folder}/${f} ${VANTARA_BUNDLE_DIR}/${f} @ONLY)
            set_property(GLOBAL APPEND PROPERTY VANTARA_BUNDLE_FILES "${f}|${VANTARA_BUNDLE_DIR}/${f}")
        else()
            set_property(GLOBAL APPEND PROPERTY VANTARA_BUNDLE_FILES "${f}|${folder}/${f}")
        endif()
    endforeach()
endfunction()

# Writes the .qrc and hands its path to the parent scope.
function(vantara_write_bundle out_var)
    get_property(entries GLOBAL PROPERTY VANTARA_BUNDLE_FILES)
    set(xml "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n")
    foreach(e IN LISTS entries)
        string(REPLACE "|" ";" pair "${e}")
        list(GET pair 0 alias)
        list(GET pair 1 path)
        string(APPEND xml "  <file alias=\"${alias}\">${path}</file>\n")
    endforeach()
    string(APPEND xml "</qresource>\n</RCC>\n")
    set(qrc ${CMAKE_BINARY_DIR}/vantara_bundle.qrc)
    file(WRITE ${qrc}.tmp "${xml}")
    configure_file(${qrc}.tmp ${qrc} COPYONLY)
    set(${out_var} ${qrc} PARENT_SCOPE)
endfunction()
