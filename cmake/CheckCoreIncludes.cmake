# Fails when a file of the core includes a header against the direction of its layers.
#   CORE_DIR   the folder src/core (or a copy of its layout)
# The core's sub-folders build on each other in one direction, so that no two of them include each
# other: data at the bottom; the master data (import, forecast, provenance) on it; projects (project
# rows and their inputs) on those; the plan of a building area (reading and measuring it) on projects;
# the engine, which reads what projects define; results and scenarios on the engine; the
# application services (a calculation run with its transaction and locks, copying a project, the
# example project) on top. A file may include headers of its own folder and of the folders listed for it below, and
# nothing of the layers outside the core (gui, report, cli, app).
set(allowed_data "")
set(allowed_master data)
set(allowed_projects data master)
set(allowed_plan data master projects)
set(allowed_engine data master projects)
set(allowed_results data master projects engine)
set(allowed_scenarios data master projects engine results)
set(allowed_services data master projects plan engine results scenarios)
set(layers data master projects plan engine results scenarios services)

if(NOT IS_DIRECTORY "${CORE_DIR}")
    message(FATAL_ERROR "Kein Ordner '${CORE_DIR}'")
endif()

set(violations "")
file(GLOB_RECURSE sources RELATIVE "${CORE_DIR}" "${CORE_DIR}/*.h" "${CORE_DIR}/*.cpp")
list(LENGTH sources count)
if(count EQUAL 0)
    message(FATAL_ERROR "Keine Quelldateien unter '${CORE_DIR}'")
endif()
foreach(rel ${sources})
    # Every file lies in a known sub-folder: a new folder needs its place in the table above.
    string(REGEX MATCH "^[^/]+/" folder "${rel}")
    string(REGEX REPLACE "/$" "" folder "${folder}")
    list(FIND layers "${folder}" known)
    if(known EQUAL -1)
        string(APPEND violations "  src/core/${rel}: liegt in keinem bekannten Ordner des Kerns\n")
        continue()
    endif()
    file(STRINGS "${CORE_DIR}/${rel}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
        if(header MATCHES "^core/([^/]+)/")
            set(target "${CMAKE_MATCH_1}")
            list(FIND allowed_${folder} "${target}" allowed)
            if(NOT target STREQUAL folder AND allowed EQUAL -1)
                string(APPEND violations "  src/core/${rel}: ${folder} -> ${target} (${header})\n")
            endif()
        elseif(header MATCHES "^(gui|report|cli|app)/")
            string(APPEND violations "  src/core/${rel}: ${folder} -> ${CMAKE_MATCH_1} (${header})\n")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Einbindungen gegen die Richtung der Schichten im Kern:\n${violations}")
endif()
message(STATUS "src/core: ${count} Dateien binden nur tiefere Schichten ein")
