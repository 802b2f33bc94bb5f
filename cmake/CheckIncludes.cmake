# cmake -DGLYM_SOURCE_DIR=<a src directory> -P CheckIncludes.cmake
#
# Fails, naming every offending file, when a source file includes a header of a folder its own folder may not
# use. The core lives in src/core and is its own include root ("common/FileIo.h"); the GUI's include root is src/
# ("base/Text.h"). The folder of an include is the part of its path before the first "/", written with quotes or
# angle brackets alike. The layers depend one way: app -> the features -> the base -> the core, and inside the
# core: check -> document -> rules, logs -> config -> common, and document -> history -> common. Besides, a path
# that climbs out of its root ("../"), a core header named through "core/", and a Qt header in the core are
# refused.

cmake_minimum_required(VERSION 3.25)

if(NOT GLYM_SOURCE_DIR)
    message(FATAL_ERROR "CheckIncludes.cmake: set GLYM_SOURCE_DIR to the directory to check")
endif()

set(core common config rules logs history document check)
set(base base widgets)
set(features access cacheskip cli portmap session stats)

# allowed_<folder>: the folders whose headers the files of <folder> may include.
set(allowed_common common)
set(allowed_config common config)
set(allowed_rules common config rules)
set(allowed_logs common config logs)
set(allowed_history common history)
set(allowed_document common config rules logs history document)
set(allowed_check ${core})
set(allowed_base ${core} ${base})
set(allowed_widgets ${core} ${base})
foreach(feature IN LISTS features)
    set(allowed_${feature} ${core} ${base} ${feature})
endforeach()
set(allowed_app ${core} ${base} ${features} app)
set(folders ${core} ${base} ${features} app)

file(GLOB_RECURSE sources RELATIVE ${GLYM_SOURCE_DIR} ${GLYM_SOURCE_DIR}/*.h ${GLYM_SOURCE_DIR}/*.cpp)
list(SORT sources)
set(problems "")
foreach(source IN LISTS sources)
    # src/core/<folder>/... is a core folder, src/<folder>/... a GUI one.
    string(REGEX REPLACE "^core/" "" inCore "${source}")
    set(isCore FALSE)
    if(NOT inCore STREQUAL source)
        set(isCore TRUE)
    endif()
    string(REGEX MATCH "^[^/]+" folder "${inCore}")
    if(NOT folder IN_LIST folders OR (isCore AND NOT folder IN_LIST core) OR (NOT isCore AND folder IN_LIST core))
        string(APPEND problems "\n  src/${source}: the folder \"${folder}\" has no include rule in ${CMAKE_CURRENT_LIST_FILE}")
        continue()
    endif()
    file(STRINGS ${GLYM_SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*$" "\\1" header "${line}")
        string(REGEX MATCH "^[^/]+" used "${header}")
        if(header MATCHES "(^|/)\\.\\.(/|$)")
            string(APPEND problems "\n  src/${source} includes \"${header}\": a path may not climb out of its root")
        elseif(used STREQUAL "core")
            string(APPEND problems "\n  src/${source} includes \"${header}\": the core is included from its own root")
        elseif(isCore AND header MATCHES "^Q[A-Za-z]*(/|$)")
            string(APPEND problems "\n  src/${source} includes \"${header}\": the core includes no Qt header")
        elseif(used IN_LIST folders AND NOT header STREQUAL used AND NOT used IN_LIST allowed_${folder})
            list(JOIN allowed_${folder} ", " may)
            string(APPEND problems "\n  src/${source} includes \"${header}\": ${folder} may include only ${may}")
        endif()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "Includes against the direction of the layers (app -> access, cacheskip, cli, portmap, session, stats "
                        "-> base, widgets -> the core; in the core: check -> document -> rules, logs -> config "
                        "-> common, and document -> history -> common):${problems}")
endif()
