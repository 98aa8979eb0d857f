# Script run by CTest: install the build, then configure and build each outside project on the installed
# package and check that its module exports the entry.
#   PROJECTS  list of <source folder>=<module name>
#   ABSENT    files the default install must not lay out (relative to the prefix)
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed:\n${output}")
    endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file lib/vst/Idlewire.so include/orke/framework/OrkeAuBase.h include/orke/vst/AudioEffectExtended.h
             include/orke/interface/EffectRecord.h include/orke/shared/PluginExport.h lib/cmake/Orke/OrkeConfig.cmake)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "missing after install: ${file}")
    endif()
endforeach()
foreach(file ${ABSENT})
    if(EXISTS ${prefix}/${file})
        message(FATAL_ERROR "installed although not asked for: ${file}")
    endif()
endforeach()

foreach(project ${PROJECTS})
    string(REPLACE "=" ";" parts ${project})
    list(GET parts 0 source)
    list(GET parts 1 module)
    set(build ${WORK_DIR}/${module})
    run(${CMAKE_COMMAND} -S ${source} -B ${build}
        -DCMAKE_PREFIX_PATH=${prefix}
        -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
        -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
        "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
        "-DCMAKE_MODULE_LINKER_FLAGS=${LINKER_FLAGS}"
        -DPLUGIN_SOURCE_DIR=${PLUGIN_SOURCE_DIR})
    run(${CMAKE_COMMAND} --build ${build} -j2)
    execute_process(COMMAND nm -D --defined-only ${build}/${module}.so OUTPUT_VARIABLE symbols)
    if(NOT symbols MATCHES " T VSTPluginMain\n")
        message(FATAL_ERROR "the outside build of ${module} does not export VSTPluginMain:\n${symbols}")
    endif()
endforeach()
