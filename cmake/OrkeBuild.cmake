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

# The LV2 headers (Debian: lv2-dev), copied into the build tree so that a cross build includes them and
# nothing else of the build machine's /usr/include. Sets ORKE_LV2_HEADERS to that folder, or leaves it empty
# (and says so once) when the machine has none.
function(orke_find_lv2_headers)
    get_property(found GLOBAL PROPERTY ORKE_LV2_HEADERS SET)
    if(found)
        return()
    endif()
    find_path(ORKE_LV2_HEADER_ROOT lv2/core/lv2.h
        PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH
        DOC "The folder holding the LV2 headers (lv2/core/lv2.h)")
    if(ORKE_LV2_HEADER_ROOT)
        set(copy ${CMAKE_BINARY_DIR}/orke-lv2-headers)
        file(COPY ${ORKE_LV2_HEADER_ROOT}/lv2 DESTINATION ${copy} FILES_MATCHING PATTERN "*.h")
        set_property(GLOBAL PROPERTY ORKE_LV2_HEADERS ${copy})
    else()
        message(WARNING "Orke: no LV2 headers (Debian: lv2-dev); plug-ins are built as VST 2.4 modules only")
        set_property(GLOBAL PROPERTY ORKE_LV2_HEADERS "")
    endif()
endfunction()

# orke_add_lv2_module(<target> <settings target or ""> SOURCES ... PARAMETERS <dir> FRAMEWORK <framework>
#                     SHELL <shell> OUTPUT_NAME <name> OUTPUT_DIRECTORY <dir>): the LV2 module in the bundle
# folder <dir>/<name>.lv2, and after each link the bundle's description, written by orke-lv2-turtle.
function(orke_add_lv2_module target settings)
    cmake_parse_arguments(ARG "" "PARAMETERS;FRAMEWORK;SHELL;OUTPUT_NAME;OUTPUT_DIRECTORY" "SOURCES" ${ARGN})
    get_property(wrapper GLOBAL PROPERTY ORKE_LV2_SOURCES)
    get_property(wrapper_include GLOBAL PROPERTY ORKE_LV2_INCLUDE_DIR)
    get_property(exports GLOBAL PROPERTY ORKE_LV2_EXPORTS)
    get_property(headers GLOBAL PROPERTY ORKE_LV2_HEADERS)
    set(bundle ${ARG_OUTPUT_DIRECTORY}/${ARG_OUTPUT_NAME}.lv2)

    add_library(${target} MODULE ${ARG_SOURCES} ${wrapper})
    target_include_directories(${target} PRIVATE ${ARG_PARAMETERS} ${wrapper_include} ${headers})
    target_link_libraries(${target} PRIVATE ${ARG_FRAMEWORK}_objects ${ARG_SHELL}_objects)
    orke_hide_symbols(${target})
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        OUTPUT_NAME ${ARG_OUTPUT_NAME}
        LIBRARY_OUTPUT_DIRECTORY ${bundle}
        ORKE_LV2_BUNDLE ${bundle})
    # Only the LV2 entry and the description writer leave the module: a VST 2.4 host that finds it sees no
    # plug-in, and the VST 2.4 module keeps its own names.
    target_link_options(${target} PRIVATE
        -Wl,--exclude-libs,ALL
        -Wl,-Bsymbolic
        -Wl,--no-undefined
        -Wl,--version-script=${exports})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
    # What the plug-in's author gives the VST 2.4 module after orke_add_plugin reaches this one too.
    if(settings)
        target_compile_definitions(${target} PRIVATE $<TARGET_PROPERTY:${settings},COMPILE_DEFINITIONS>)
        target_compile_options(${target} PRIVATE $<TARGET_PROPERTY:${settings},COMPILE_OPTIONS>)
        target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${settings},INCLUDE_DIRECTORIES>)
    endif()

    if(TARGET orke_lv2_turtle)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND orke_lv2_turtle $<TARGET_FILE:${target}>
            COMMENT "Describing the LV2 bundle ${ARG_OUTPUT_NAME}.lv2"
            VERBATIM)
        add_dependencies(${target} orke_lv2_turtle)
        set_target_properties(${target} PROPERTIES ORKE_LV2_DESCRIBED ON)
    else()
        get_property(told GLOBAL PROPERTY ORKE_LV2_UNDESCRIBED_TOLD)
        if(NOT told)
            message(STATUS "Orke: LV2 bundles of this build hold their modules only: their descriptions "
                "(manifest.ttl and the plug-in's .ttl) are written by loading each module, which only a build for "
                "the build machine's own processor, without the fuzzing sanitizers, can do")
            set_property(GLOBAL PROPERTY ORKE_LV2_UNDESCRIBED_TOLD ON)
        endif()
    endif()
endfunction()

# orke_add_plugin(<target> SOURCES <files> PARAMETERS <dir> [FORMATS VST2 LV2] [BEHAVIOUR <ON|OFF>]
#                 [OUTPUT_NAME <name>] [OUTPUT_DIRECTORY <dir>] [FRAMEWORK <target>]): the plug-in in each of
# FORMATS (both by default), from the same sources, parameter table and framework:
#   VST2  <target>, the module <name>.so, exporting only the interface's names;
#   LV2   <target>_lv2 (<target> when it is the only format), the bundle <name>.lv2/ holding the module
#         <name>.so, manifest.ttl and <name>.ttl.
# FRAMEWORK names a framework already compiled by orke_add_framework against the same PARAMETERS folder and
# shell, for modules that share one table (the framework is compiled once for all).
function(orke_add_plugin target)
    cmake_parse_arguments(ARG "" "PARAMETERS;BEHAVIOUR;OUTPUT_NAME;OUTPUT_DIRECTORY;FRAMEWORK" "SOURCES;FORMATS"
        ${ARGN})
    if(NOT DEFINED ARG_BEHAVIOUR)
        set(ARG_BEHAVIOUR ${ORKE_DEFAULT_BEHAVIOUR})
    endif()
    if(NOT ARG_OUTPUT_NAME)
        set(ARG_OUTPUT_NAME ${target})
    endif()
    if(NOT ARG_FORMATS)
        set(ARG_FORMATS VST2 LV2)
    endif()
    foreach(format ${ARG_FORMATS})
        if(NOT format MATCHES "^(VST2|LV2)$")
            message(FATAL_ERROR "orke_add_plugin(${target}): unknown format ${format} (known: VST2, LV2)")
        endif()
    endforeach()
    if("LV2" IN_LIST ARG_FORMATS)
        orke_find_lv2_headers()
        get_property(headers GLOBAL PROPERTY ORKE_LV2_HEADERS)
        if(NOT headers)
            list(REMOVE_ITEM ARG_FORMATS LV2)
        endif()
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

    set(settings "")
    if("VST2" IN_LIST ARG_FORMATS)
        add_library(${target} MODULE ${ARG_SOURCES})
        target_include_directories(${target} PRIVATE ${ARG_PARAMETERS})
        target_link_libraries(${target} PRIVATE ${framework}_objects ${shell}_objects)
        orke_hide_symbols(${target})
        set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME})
        if(ARG_OUTPUT_DIRECTORY)
            set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
        endif()
        # Library symbols are not re-exported, and calls inside the module bind to the module's own
        # definitions, so a host or another plug-in exporting the same names cannot capture them.
        target_link_options(${target} PRIVATE
            -Wl,--exclude-libs,ALL
            -Wl,-Bsymbolic
            -Wl,--no-undefined)
        set(settings ${target})
    endif()

    if("LV2" IN_LIST ARG_FORMATS)
        set(lv2 ${target}_lv2)
        if(NOT settings)
            set(lv2 ${target})
        endif()
        if(ARG_OUTPUT_DIRECTORY)
            set(folder ${ARG_OUTPUT_DIRECTORY})
        elseif(CMAKE_LIBRARY_OUTPUT_DIRECTORY)
            set(folder ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
        else()
            set(folder ${CMAKE_CURRENT_BINARY_DIR})
        endif()
        orke_add_lv2_module(${lv2} "${settings}"
            SOURCES ${ARG_SOURCES}
            PARAMETERS ${ARG_PARAMETERS}
            FRAMEWORK ${framework}
            SHELL ${shell}
            OUTPUT_NAME ${ARG_OUTPUT_NAME}
            OUTPUT_DIRECTORY ${folder})
        if(settings)
            set_target_properties(${target} PROPERTIES ORKE_LV2_TARGET ${lv2})
        endif()
    endif()
endfunction()

# orke_install_plugin(<target> [COMPONENT <name>]): installs what orke_add_plugin built for <target> where
# hosts look: the VST 2.4 module to <libdir>/vst, the LV2 bundle to <libdir>/lv2/<name>.lv2.
function(orke_install_plugin target)
    cmake_parse_arguments(ARG "" "COMPONENT" "" ${ARGN})
    set(component "")
    if(ARG_COMPONENT)
        set(component COMPONENT ${ARG_COMPONENT})
    endif()
    include(GNUInstallDirs)
    get_target_property(lv2 ${target} ORKE_LV2_TARGET)
    get_target_property(bundle ${target} ORKE_LV2_BUNDLE)
    if(bundle)
        set(lv2 ${target}) # the LV2 module is the only format
    else()
        install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vst ${component})
    endif()
    if(NOT lv2)
        return()
    endif()
    get_target_property(bundle ${lv2} ORKE_LV2_BUNDLE)
    get_target_property(name ${lv2} OUTPUT_NAME)
    get_filename_component(folder ${bundle} NAME)
    install(TARGETS ${lv2} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/lv2/${folder} ${component})
    get_target_property(described ${lv2} ORKE_LV2_DESCRIBED)
    if(described)
        install(FILES ${bundle}/manifest.ttl ${bundle}/${name}.ttl
            DESTINATION ${CMAKE_INSTALL_LIBDIR}/lv2/${folder} ${component})
    endif()
endfunction()
