# Every build checks that each layer includes only the layers below it
# (cmake/CheckLayerIncludes.cmake has the rules). The check reruns when a
# source of a layer changes or a file is added, and the layer libraries wait
# for it, so a wrong-way include stops the build before anything compiles.
set(layer_dirs core document view app cli sweep python)
set(layer_sources)
foreach(dir IN LISTS layer_dirs)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${PROJECT_SOURCE_DIR}/${dir}/*.h
         ${PROJECT_SOURCE_DIR}/${dir}/*.cpp
         ${PROJECT_SOURCE_DIR}/${dir}/*.h.in)
    list(APPEND layer_sources ${found})
endforeach()
set(layer_stamp ${PROJECT_BINARY_DIR}/layer_includes.stamp)
add_custom_command(OUTPUT ${layer_stamp}
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DSTAMP=${layer_stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake ${layer_sources}
    COMMENT "Checking that each layer includes only the layers below it"
    VERBATIM)
add_custom_target(layer_includes ALL DEPENDS ${layer_stamp})
foreach(target vendrel_core vendrel_document vendrel_view vendrel_app vendrel-run vendrel_sweep)
    add_dependencies(${target} layer_includes)
endforeach()
