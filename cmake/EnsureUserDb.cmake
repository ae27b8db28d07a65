# Creates the user database beside the program, with the calculated example project, when there is
# none; an existing one is kept as it is.
if(NOT EXISTS "${DB}")
    # Qt's libraries for the freshly built program (on Windows they are not beside it).
    if(QT_BIN AND CMAKE_HOST_WIN32)
        set(ENV{PATH} "${QT_BIN};$ENV{PATH}")
    endif()
    execute_process(COMMAND "${CLI}" init --master "${MASTER}" --user "${DB}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "TAVO_User.db konnte nicht angelegt werden")
    endif()
endif()
