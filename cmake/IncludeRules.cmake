# glym_check_include_rules(<src directory> <targets...>)
# Runs CheckIncludes.cmake over the sources whenever one of them changes; the targets build only after it passed.
function(glym_check_include_rules source_dir)
    set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckIncludes.cmake)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${source_dir}/*.h ${source_dir}/*.cpp)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/include_rules.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DGLYM_SOURCE_DIR=${source_dir} -P ${script}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${script} ${sources}
        COMMENT "Checking the include directions of the source folders"
        VERBATIM)
    add_custom_target(glym_include_rules DEPENDS ${stamp})
    foreach(target IN LISTS ARGN)
        if(TARGET ${target})
            add_dependencies(${target} glym_include_rules)
        endif()
    endforeach()
endfunction()
