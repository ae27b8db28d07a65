# Fails when the core layer reaches into the GUI.
#   CORE_DIR   the folder src/core
#   QT_HEADERS the folder that holds QtCore/, QtGui/, QtWidgets/, ...
#   CORE_LIBS  the link libraries of tavo_core, separated by '|'
# An include counts as a GUI include when it names a GUI module (<QtGui>, <QtWidgets/QLabel>) or a
# header that one of the GUI modules installs (<QColor>, <QWidget>, <QPainter>, <QChart>, ...).
set(gui_modules QtGui QtWidgets QtCharts QtPrintSupport QtSvg QtSvgWidgets QtOpenGL QtOpenGLWidgets)

if(NOT IS_DIRECTORY "${QT_HEADERS}/QtCore" OR NOT IS_DIRECTORY "${QT_HEADERS}/QtGui")
    message(FATAL_ERROR "Qt-Header nicht gefunden unter '${QT_HEADERS}'")
endif()
if(NOT CORE_LIBS MATCHES "Qt6::Core")
    message(FATAL_ERROR "Bibliotheken von tavo_core nicht übergeben: '${CORE_LIBS}'")
endif()

set(violations "")
string(REPLACE "|" ";" libs "${CORE_LIBS}")
foreach(lib ${libs})
    if(lib MATCHES "(Gui|Widgets|Charts|PrintSupport|Svg|OpenGL)")
        string(APPEND violations "  tavo_core linkt ${lib}\n")
    endif()
endforeach()

file(GLOB_RECURSE sources "${CORE_DIR}/*.h" "${CORE_DIR}/*.cpp")
list(LENGTH sources count)
if(count EQUAL 0)
    message(FATAL_ERROR "Keine Quelldateien unter '${CORE_DIR}'")
endif()
foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*<[^>]+>")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>.*" "\\1" header "${line}")
        set(hit FALSE)
        foreach(module ${gui_modules})
            if(header STREQUAL module OR header MATCHES "^${module}/" OR EXISTS "${QT_HEADERS}/${module}/${header}")
                set(hit TRUE)
            endif()
        endforeach()
        if(hit)
            file(RELATIVE_PATH rel "${CORE_DIR}" "${source}")
            string(APPEND violations "  src/core/${rel}: <${header}>\n")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Der Kern greift auf die Oberfläche zu:\n${violations}")
endif()
message(STATUS "src/core: ${count} Dateien ohne GUI-Header; tavo_core linkt ${CORE_LIBS}")
