# Writes a gzip-compressed document of the Debian package, with gzip -9n (no file name, no time
# stamp: the package is the same whenever it is built):
#   cmake -DGZIP=<gzip> -DIN=<file> -DOUT=<file.gz> -P PackageDoc.cmake
# or the manual page a program writes itself (its hidden option --manpage):
#   cmake -DGZIP=<gzip> -DTOOL=<program> -DQT_BIN=<folder> -DOUT=<name.1.gz> -P PackageDoc.cmake
if(TOOL)
    set(ENV{PATH} "${QT_BIN}:$ENV{PATH}")
    string(REGEX REPLACE "\\.gz$" "" IN "${OUT}")
    execute_process(COMMAND "${TOOL}" --manpage OUTPUT_FILE "${IN}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        file(REMOVE "${IN}")
        message(FATAL_ERROR "${TOOL} --manpage endete mit ${rc}")
    endif()
endif()
execute_process(COMMAND "${GZIP}" -9n -c "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    file(REMOVE "${OUT}")
    message(FATAL_ERROR "gzip endete mit ${rc}")
endif()
