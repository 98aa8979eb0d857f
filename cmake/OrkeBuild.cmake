# Build functions shared by the plug-in, its tests and any plug-in written on the framework.
#
# The shell (vst/) is built once per behaviour, on the interface (interface/) and the shared utilities
# (shared/). The framework refers to the plug-in's parameter table by name and sizes its programs with the
# compile-time kParameterCount, so it is compiled once per parameter table: each plug-in (and each test table)
# supplies a folder holding `PluginParameters.h`. Each library links what its own files include: the shell
# the interface and the shared utilities, the framework those, the shell and the platform layer.

set(ORKE_POWERPC_BEHAVIOUR "AUTO" CACHE STRING
    "Serve the PowerPC build's extra requests (AUTO: only when compiling for PowerPC; ON/OFF force it)")
set_property(CACHE ORKE_POWERPC_BEHAVIOUR PROPERTY STRINGS AUTO ON OFF)

if(ORKE_POWERPC_BEHAVIOUR STREQUAL "AUTO")
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(powerpc|ppc)")
        set(ORKE_DEFAULT_BEHAVIOUR ON)
    else()
        set(ORKE_DEFAULT_BEHAVIOUR OFF)
    endif()
elseif(ORKE_POWERPC_BEHAVIOUR)
    set(ORKE_DEFAULT_BEHAVIOUR ON)
else()
    set(ORKE_DEFAULT_BEHAVIOUR OFF)
endif()

# Everything that ends up inside a plug-in module keeps its symbols to itself.
function(orke_hide_symbols target)
    set_target_properties(${target} PROPERTIES
        CXX_VISIBILITY_PRESET hidden
        C_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
endfunction()

function(orke_behaviour_definition out behaviour)
    if(behaviour)
        set(${out} ORKE_POWERPC_BEHAVIOUR=1 PARENT_SCOPE)
    else()
        set(${out} ORKE_POWERPC_BEHAVIOUR=0 PARENT_SCOPE)
    endif()
endfunction()

# A static library whose objects also exist as <target>_objects, so that a plug-in module can take the
# objects themselves: the module exports names defined in them, and a module's archives export nothing.
function(orke_add_object_library target)
    add_library(${target}_objects OBJECT ${ARGN})
    orke_hide_symbols(${target}_objects)
    # The objects end up inside a loadable module, whatever the including project's default.
    set_target_properties(${target}_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
    add_library(${target} STATIC)
    target_link_libraries(${target} PUBLIC ${target}_objects)
endfunction()

# orke_add_shell(<target> BEHAVIOUR <ON|OFF>): the host-facing shell.
function(orke_add_shell target)
    cmake_parse_arguments(ARG "" "BEHAVIOUR" "" ${ARGN})
    get_property(sources GLOBAL PROPERTY ORKE_SHELL_SOURCES)
    orke_add_object_library(${target} ${sources})
    orke_behaviour_definition(definition "${ARG_BEHAVIOUR}")
    target_compile_definitions(${target}_objects PUBLIC ${definition})
    target_include_directories(${target}_objects PUBLIC
        $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/vst>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/orke/vst>)
    target_link_libraries(${target}_objects PUBLIC orke_interface orke_shared)
endfunction()

# orke_add_framework(<target> PARAMETERS <dir> SHELL <shell target>): the framework compiled against the
# parameter table whose `PluginParameters.h` lies in <dir>.
function(orke_add_framework target)
    cmake_parse_arguments(ARG "" "PARAMETERS;SHELL" "" ${ARGN})
    get_property(sources GLOBAL PROPERTY ORKE_FRAMEWORK_SOURCES)
    get_property(framework_include GLOBAL PROPERTY ORKE_FRAMEWORK_INCLUDE_DIR)
    orke_add_object_library(${target} ${sources})
    target_include_directories(${target}_objects PUBLIC ${framework_include} ${ARG_PARAMETERS})
    target_link_libraries(${target}_objects PUBLIC ${ARG_SHELL}_objects orke_interface orke_shared orke_platform)
endfunction()

# orke_add_plugin(<target> SOURCES <files> PARAMETERS <dir> [BEHAVIOUR <ON|OFF>] [OUTPUT_NAME <name>]
#                 [OUTPUT_DIRECTORY <dir>] [FRAMEWORK <target>]): a loadable VST 2.4 module exporting only the
# interface's names. FRAMEWORK names a framework already compiled by orke_add_framework against the same
# PARAMETERS folder and shell, for modules that share one table (the framework is compiled once for all).
function(orke_add_plugin target)
    cmake_parse_arguments(ARG "" "PARAMETERS;BEHAVIOUR;OUTPUT_NAME;OUTPUT_DIRECTORY;FRAMEWORK" "SOURCES" ${ARGN})
    if(NOT DEFINED ARG_BEHAVIOUR)
        set(ARG_BEHAVIOUR ${ORKE_DEFAULT_BEHAVIOUR})
    endif()
    if(NOT ARG_OUTPUT_NAME)
        set(ARG_OUTPUT_NAME ${target})
    endif()
    if(ARG_BEHAVIOUR)
        set(shell orke_vst_powerpc_behaviour)
    else()
        set(shell orke_vst)
    endif()
    if(ARG_FRAMEWORK)
        set(framework ${ARG_FRAMEWORK})
    else()
        set(framework ${target}_framework)
        orke_add_framework(${framework} PARAMETERS ${ARG_PARAMETERS} SHELL ${shell})
    endif()

    add_library(${target} MODULE ${ARG_SOURCES})
    target_include_directories(${target} PRIVATE ${ARG_PARAMETERS})
    target_link_libraries(${target} PRIVATE ${framework}_objects ${shell}_objects)
    orke_hide_symbols(${target})
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME})
    if(ARG_OUTPUT_DIRECTORY)
        set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
    endif()
    # Library symbols are not re-exported, and calls inside the module bind to the module's own definitions,
    # so a host or another plug-in exporting the same names cannot capture them.
    target_link_options(${target} PRIVATE
        -Wl,--exclude-libs,ALL
        -Wl,-Bsymbolic
        -Wl,--no-undefined)
endfunction()
