# cmake -DCHECK=<CheckIncludes.cmake> -DTREE=<a source tree> -P IncludeRulesTest.cmake
# The include check run over a small tree with known faults: it must fail, name each fault, and nothing else.

execute_process(COMMAND ${CMAKE_COMMAND} -DGLYM_SOURCE_DIR=${TREE} -P ${CHECK}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with includes against the layers:\n${output}")
endif()

set(faults
    "src/access/Editor.cpp includes \"app/Main.h\""
    "src/access/Editor.cpp includes \"app/Main.h\": access may"
    "src/access/Editor.cpp includes \"cacheskip/CacheSkipEditor.h\""
    "src/base/Text.cpp includes \"stats/StatisticsPage.h\""
    "src/widgets/Advspin.cpp includes \"app/Main.h\""
    "src/core/rules/Strings.cpp includes \"base/Text.h\""
    "src/core/config/IniFile.cpp includes \"rules/Strings.h\""
    "src/core/config/IniFile.cpp includes \"QString\": the core includes no Qt header"
    "src/core/config/IniFile.cpp includes \"../access/Editor.h\": a path may not climb"
    "src/core/config/IniFile.cpp includes \"core/common/Numbers.h\": the core is included from its own root"
    "src/core/access/Editor.h: the folder \"access\" has no include rule"
    "src/extra/Thing.h: the folder \"extra\" has no include rule")
foreach(fault IN LISTS faults)
    string(FIND "${output}" "${fault}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the check did not name: ${fault}\n${output}")
    endif()
endforeach()

# Every other line of the report is a fault the tree does not have.
string(REGEX MATCHALL "\n    src/[^\n]*" reported "${output}")
list(LENGTH reported count)
list(LENGTH faults expected)
if(NOT count EQUAL expected)
    message(FATAL_ERROR "the check named ${count} faults, the tree has ${expected}:\n${output}")
endif()
