# Unpacks the ZIP package of the build folder BUILD into STAGE and compares it
# with the build's own files: the programs stripped with STRIP, dated with
# the build's date (the file EPOCH).
file(GLOB packages ${BUILD}/Quillmoor-1.04-*.zip)
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${BUILD}, found: ${packages}")
endif()
file(REMOVE_RECURSE ${STAGE})
file(ARCHIVE_EXTRACT INPUT ${packages} DESTINATION ${STAGE})

file(GLOB_RECURSE unpacked RELATIVE ${STAGE} ${STAGE}/*)
list(SORT unpacked)
if(NOT unpacked STREQUAL "Quillmoor.chm;Quillmoor.exe;ReadMe.txt;Tackhouse.exe")
    message(FATAL_ERROR "package holds: ${unpacked}")
endif()
# A little-endian number of LENGTH bytes at OFFSET of a file.
function(read_number file offset length out)
    file(READ ${file} hex OFFSET ${offset} LIMIT ${length} HEX)
    string(REGEX REPLACE "(..)" "\\1;" bytes "${hex}")
    list(REVERSE bytes)
    string(REPLACE ";" "" hex "${bytes}")
    math(EXPR value "0x0${hex}")
    set(${out} ${value} PARENT_SCOPE)
endfunction()

# "<time stamp> <symbol count>" of a program's file header.
function(read_header file out)
    read_number(${file} 60 4 header)
    math(EXPR stamp "${header} + 8")
    math(EXPR symbols "${header} + 16")
    read_number(${file} ${stamp} 4 stamp)
    read_number(${file} ${symbols} 4 symbols)
    set(${out} "${stamp} ${symbols}" PARENT_SCOPE)
endfunction()

file(READ ${EPOCH} epoch)
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
foreach(name Quillmoor.exe Tackhouse.exe)
    read_header(${BUILD}/${name} built)
    read_header(${STAGE}/${name} packed)
    if(NOT built MATCHES "^${epoch} [1-9]" OR NOT packed STREQUAL "${epoch} 0")
        message(FATAL_ERROR "${name}: time stamp and symbols ${built} in the build, ${packed} in the package; date ${epoch}")
    endif()
    execute_process(COMMAND ${STRIP} --strip-all -o ${STAGE}/stripped.exe ${BUILD}/${name})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${STAGE}/${name} ${STAGE}/stripped.exe
                    RESULT_VARIABLE differs)
    file(REMOVE ${STAGE}/stripped.exe)
    if(differs)
        message(FATAL_ERROR "${name} in the package is not the build's, stripped")
    endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${STAGE}/Quillmoor.chm ${BUILD}/Quillmoor.chm
                RESULT_VARIABLE differs)
if(differs)
    message(FATAL_ERROR "Quillmoor.chm in the package differs from the build's")
endif()

# The readme says where the clients go and where F1 looks.
file(READ ${STAGE}/ReadMe.txt text)
foreach(word "cvs.exe" "svn.exe" "svnadmin.exe" "same folder as Quillmoor.exe" "starts, then beside Quillmoor.exe")
    string(FIND "${text}" "${word}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "ReadMe.txt lacks: ${word}")
    endif()
endforeach()

# Its lines end in CR LF, for Notepad. file(READ) drops the CRs, so count the
# bytes; in ASCII text every 0a and 0d0a match lies on a byte boundary.
file(READ ${STAGE}/ReadMe.txt hex HEX)
string(REGEX MATCHALL "0a" lf "${hex}")
string(REGEX MATCHALL "0d0a" crlf "${hex}")
list(LENGTH lf lfCount)
list(LENGTH crlf crlfCount)
if(lfCount EQUAL 0 OR NOT lfCount EQUAL crlfCount)
    message(FATAL_ERROR "ReadMe.txt: ${crlfCount} of ${lfCount} line ends with CR")
endif()
file(REMOVE_RECURSE ${STAGE})
