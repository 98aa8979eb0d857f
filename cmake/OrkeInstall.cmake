# What `cmake --install` lays out:
#   lib/vst/Idlewire.so                the plug-in, in the conventional Linux VST folder
#   lib/lv2/Idlewire.lv2/              the plug-in as an LV2 bundle, in the conventional LV2 folder
#   lib/liborke_*.a, lib/orke/objects  the shell and platform layer, for plug-ins written on the framework
#   include/orke/{interface,shared,vst,framework,platform}
#   share/orke/framework/*.cpp         the framework's sources: each plug-in compiles them against its own table
#   share/orke/lv2/*.cpp, exports.map  the LV2 wrapper's sources, compiled into each plug-in's LV2 module
#   libexec/orke/orke-lv2-turtle       writes an LV2 bundle's description from its built module
#   lib/cmake/Orke                     find_package(Orke) with orke_add_plugin()
include(CMakePackageConfigHelpers)

set(ORKE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Orke)
set(ORKE_INSTALL_FRAMEWORK_SOURCEDIR ${CMAKE_INSTALL_DATADIR}/orke/framework)
set(ORKE_INSTALL_LV2_SOURCEDIR ${CMAKE_INSTALL_DATADIR}/orke/lv2)

orke_install_plugin(Idlewire COMPONENT plugin)

install(TARGETS orke_interface orke_shared orke_vst orke_vst_objects orke_vst_powerpc_behaviour
                orke_vst_powerpc_behaviour_objects orke_platform
    EXPORT OrkeTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/orke/objects
    COMPONENT development)

foreach(folder interface shared vst framework platform lv2)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder}/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orke/${folder}
        COMPONENT development
        FILES_MATCHING PATTERN "*.h"
        PATTERN "src" EXCLUDE)
endforeach()

get_property(framework_sources GLOBAL PROPERTY ORKE_FRAMEWORK_SOURCES)
install(FILES ${framework_sources}
    DESTINATION ${ORKE_INSTALL_FRAMEWORK_SOURCEDIR}
    COMPONENT development)
set(ORKE_FRAMEWORK_SOURCE_NAMES "")
foreach(source ${framework_sources})
    get_filename_component(name ${source} NAME)
    list(APPEND ORKE_FRAMEWORK_SOURCE_NAMES ${name})
endforeach()

get_property(lv2_sources GLOBAL PROPERTY ORKE_LV2_SOURCES)
get_property(lv2_exports GLOBAL PROPERTY ORKE_LV2_EXPORTS)
install(FILES ${lv2_sources} ${lv2_exports}
    DESTINATION ${ORKE_INSTALL_LV2_SOURCEDIR}
    COMPONENT development)
set(ORKE_LV2_SOURCE_NAMES "")
foreach(source ${lv2_sources})
    get_filename_component(name ${source} NAME)
    list(APPEND ORKE_LV2_SOURCE_NAMES ${name})
endforeach()
if(TARGET orke_lv2_turtle)
    install(TARGETS orke_lv2_turtle
        EXPORT OrkeTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/orke
        COMPONENT development)
endif()

install(EXPORT OrkeTargets
    DESTINATION ${ORKE_INSTALL_CMAKEDIR}
    COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/OrkeConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/OrkeConfig.cmake
    INSTALL_DESTINATION ${ORKE_INSTALL_CMAKEDIR}
    PATH_VARS CMAKE_INSTALL_INCLUDEDIR ORKE_INSTALL_FRAMEWORK_SOURCEDIR ORKE_INSTALL_LV2_SOURCEDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/OrkeConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
        ${CMAKE_CURRENT_BINARY_DIR}/OrkeConfig.cmake
        ${CMAKE_CURRENT_BINARY_DIR}/OrkeConfigVersion.cmake
        ${CMAKE_CURRENT_LIST_DIR}/OrkeBuild.cmake
    DESTINATION ${ORKE_INSTALL_CMAKEDIR}
    COMPONENT development)
