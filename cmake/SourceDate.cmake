# Writes the time the build is dated with, in seconds since 1970, to OUT:
# SOURCE_DATE_EPOCH when the caller sets it, else the time of the source
# tree's last commit, else FALLBACK (the configure time, for a tree without
# git). OUT is rewritten only when the value changes, so that the programs
# are linked again only then.
#   cmake -DSOURCE=<tree> -DOUT=<file> -DFALLBACK=<seconds> -P SourceDate.cmake
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]+$" AND EXISTS "${SOURCE}/.git")
    execute_process(COMMAND git -C "${SOURCE}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch "${FALLBACK}")
endif()
set(old "")
if(EXISTS "${OUT}")
    file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL "${epoch}")
    file(WRITE "${OUT}" "${epoch}")
endif()
