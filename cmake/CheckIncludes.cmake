# cmake -DGLYM_SOURCE_DIR=<a src directory> -P CheckIncludes.cmake
#
# Fails, naming every offending file, when a source file includes a header of a folder its own folder may not
# use. Includes are written relative to src/ ("base/Text.h"), so the folder is the part before the first "/".
# The GUI depends one way: app -> the features -> the base -> the core folders.

cmake_minimum_required(VERSION 3.25)

if(NOT GLYM_SOURCE_DIR)
    message(FATAL_ERROR "CheckIncludes.cmake: set GLYM_SOURCE_DIR to the directory to check")
endif()

set(core common config rules)
set(base base widgets)
set(features access cacheskip portmap stats)

# allowed_<folder>: the folders whose headers the files of <folder> may include.
set(allowed_common common)
set(allowed_config common config)
set(allowed_rules ${core})
set(allowed_base ${core} ${base})
set(allowed_widgets ${core} ${base})
foreach(feature IN LISTS features)
    set(allowed_${feature} ${core} ${base} ${feature})
endforeach()
# The configuration check is core too; it reads every rule file, the formats of two of them kept in their features.
set(allowed_check ${core} check cacheskip portmap)
set(allowed_app ${core} check ${base} ${features} app)
set(folders ${core} check ${base} ${features} app)

file(GLOB_RECURSE sources RELATIVE ${GLYM_SOURCE_DIR} ${GLYM_SOURCE_DIR}/*.h ${GLYM_SOURCE_DIR}/*.cpp)
list(SORT sources)
set(problems "")
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" folder "${source}")
    if(NOT folder IN_LIST folders)
        string(APPEND problems "\n  src/${source}: the folder \"${folder}\" has no include rule in ${CMAKE_CURRENT_LIST_FILE}")
        continue()
    endif()
    file(STRINGS ${GLYM_SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${line}")
        string(REGEX MATCH "^[^/]+" used "${header}")
        if(used IN_LIST folders AND NOT used IN_LIST allowed_${folder})
            list(JOIN allowed_${folder} ", " may)
            string(APPEND problems "\n  src/${source} includes \"${header}\": ${folder} may include only ${may}")
        endif()
    endforeach()
endforeach()

if(problems)
    message(FATAL_ERROR "Includes against the direction of the layers (app -> access, cacheskip, portmap, stats "
                        "-> base, widgets -> common, config, rules):${problems}")
endif()
