# What `cmake --install` lays out:
#   lib/vst/Idlewire.so                the plug-in, in the conventional Linux VST folder
#   lib/liborke_*.a, lib/orke/objects  the shell and platform layer, for plug-ins written on the framework
#   include/orke/{interface,shared,vst,framework,platform}
#   share/orke/framework/*.cpp         the framework's sources: each plug-in compiles them against its own table
#   lib/cmake/Orke                     find_package(Orke) with orke_add_plugin()
include(CMakePackageConfigHelpers)

set(ORKE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Orke)
set(ORKE_INSTALL_FRAMEWORK_SOURCEDIR ${CMAKE_INSTALL_DATADIR}/orke/framework)

install(TARGETS Idlewire
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vst
    COMPONENT plugin)

install(TARGETS orke_interface orke_shared orke_vst orke_vst_objects orke_vst_powerpc_behaviour
                orke_vst_powerpc_behaviour_objects orke_platform
    EXPORT OrkeTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/orke/objects
    COMPONENT development)

foreach(folder interface shared vst framework platform)
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

install(EXPORT OrkeTargets
    DESTINATION ${ORKE_INSTALL_CMAKEDIR}
    COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/OrkeConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/OrkeConfig.cmake
    INSTALL_DESTINATION ${ORKE_INSTALL_CMAKEDIR}
    PATH_VARS CMAKE_INSTALL_INCLUDEDIR ORKE_INSTALL_FRAMEWORK_SOURCEDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/OrkeConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
        ${CMAKE_CURRENT_BINARY_DIR}/OrkeConfig.cmake
        ${CMAKE_CURRENT_BINARY_DIR}/OrkeConfigVersion.cmake
        ${CMAKE_CURRENT_LIST_DIR}/OrkeBuild.cmake
    DESTINATION ${ORKE_INSTALL_CMAKEDIR}
    COMPONENT development)
