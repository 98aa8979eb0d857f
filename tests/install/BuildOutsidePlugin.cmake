# Script run by CTest: install the build, then configure and build each outside project on the installed
# package and check that it produced both formats: a VST 2.4 module exporting the entry and an LV2 bundle
# whose module exports the LV2 entry, with its description.
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
foreach(file lib/vst/Idlewire.so lib/lv2/Idlewire.lv2/Idlewire.so lib/lv2/Idlewire.lv2/manifest.ttl
             lib/lv2/Idlewire.lv2/Idlewire.ttl libexec/orke/orke-lv2-turtle include/orke/lv2/Lv2Plugin.h
             share/orke/lv2/exports.map include/orke/framework/OrkeAuBase.h include/orke/vst/AudioEffectExtended.h
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
    set(bundle ${build}/${module}.lv2)
    foreach(file ${module}.so manifest.ttl ${module}.ttl)
        if(NOT EXISTS ${bundle}/${file})
            message(FATAL_ERROR "the outside build of ${module} has no ${module}.lv2/${file}")
        endif()
    endforeach()
    execute_process(COMMAND nm -D --defined-only ${bundle}/${module}.so OUTPUT_VARIABLE symbols)
    string(REGEX REPLACE "[0-9a-f]+ T " "" exported "${symbols}")
    string(STRIP "${exported}" exported)
    if(NOT exported STREQUAL "lv2_descriptor\norke_lv2_write_bundle")
        message(FATAL_ERROR "the outside build's LV2 module of ${module} exports more or less than its entry:\n"
            "${symbols}")
    endif()
endforeach()
