# Runs a tool built in this build tree with Qt's own bin folder first on PATH: on Windows Qt's
# libraries lie there and nowhere beside the freshly built tool.
#   cmake -DTOOL=<program> -DQT_BIN=<folder> -DTOOL_ARGS=<arg|arg|...> [-DQPA=offscreen] -P RunTool.cmake
if(CMAKE_HOST_WIN32)
    set(ENV{PATH} "${QT_BIN};$ENV{PATH}")
else()
    set(ENV{PATH} "${QT_BIN}:$ENV{PATH}")
endif()
if(QPA)
    set(ENV{QT_QPA_PLATFORM} "${QPA}")
endif()
string(REPLACE "|" ";" args "${TOOL_ARGS}")
execute_process(COMMAND "${TOOL}" ${args} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} endete mit ${rc}")
endif()
