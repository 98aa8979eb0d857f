# Fails unless MODULE's dynamic symbol table defines exactly the names in EXPECTED (a ;-list): the interface's
# entry and exported functions, and nothing a host or another plug-in could collide with.
# Usage: cmake -DNM=<nm> -DMODULE=<file> -DEXPECTED=<names> -P ExportedSymbols.cmake
execute_process(COMMAND ${NM} -D --defined-only --demangle ${MODULE}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} cannot read ${MODULE}")
endif()

set(exported "")
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
    # "<address> <type> <name>", the name demangled: keep what stands before an argument list.
    if(line MATCHES "^[0-9a-fA-F]+ [A-Za-z] ([^(]+)")
        list(APPEND exported "${CMAKE_MATCH_1}")
    endif()
endforeach()

set(unexpected ${exported})
list(REMOVE_ITEM unexpected ${EXPECTED})
set(missing ${EXPECTED})
list(REMOVE_ITEM missing ${exported})
if(unexpected OR missing)
    message(FATAL_ERROR "${MODULE}\n  exported but not part of the interface: ${unexpected}\n"
                        "  part of the interface but not exported: ${missing}")
endif()
message(STATUS "${MODULE} exports exactly: ${exported}")
