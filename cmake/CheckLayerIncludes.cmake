# Checks the #include lines of every layer against what the layer may use:
#   core      core
#   document  core, document
#   view      core, document, view
#   app       core, document, view, app
#   cli       core, document, view, cli
#   sweep     core, document, view, cli, sweep
#   python    core, document, view, cli, python
# Project headers are included from the source root ("core/engine.h"); the
# generated "vendrel/version.h" belongs to core. core and document use no Qt.
# Usage: cmake -DSOURCE_DIR=<tree> [-DSTAMP=<file>] -P CheckLayerIncludes.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(allowed_core core)
set(allowed_document core document)
set(allowed_view core document view)
set(allowed_app core document view app)
set(allowed_cli core document view cli)
set(allowed_sweep core document view cli sweep)
set(allowed_python core document view cli python)
set(qt_free core document)

set(faults 0)
foreach(layer core document view app cli sweep python)
    file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
         ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp ${SOURCE_DIR}/${layer}/*.h.in)
    list(SORT files)
    foreach(file IN LISTS files)
        file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS lines)
            set(problem "")
            if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]*)\"")
                set(header ${CMAKE_MATCH_1})
                if(header MATCHES "^vendrel/")
                    set(used core)
                elseif(NOT header MATCHES "\\.\\." AND header MATCHES "^([^/]+)/")
                    set(used ${CMAKE_MATCH_1})
                else()
                    set(problem "\"${header}\": include project headers as \"layer/file.h\"")
                endif()
                if(NOT problem AND NOT used IN_LIST allowed_${layer})
                    list(JOIN allowed_${layer} ", " may)
                    set(problem "\"${header}\": ${layer} may include only ${may}")
                endif()
            elseif(line MATCHES "#[ \t]*include[ \t]*<(Qt?[A-Za-z]*[/>])" AND layer IN_LIST qt_free)
                set(problem "${layer} uses no Qt")
            endif()
            if(problem)
                string(STRIP "${line}" shown)
                message(SEND_ERROR "${file}: ${shown}: ${problem}")
                math(EXPR faults "${faults} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults GREATER 0)
    message(FATAL_ERROR "${faults} include(s) cross the layers the wrong way")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
