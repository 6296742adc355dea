# Unpacks the ZIP package of the build folder BUILD into STAGE and compares it
# with the build's own files.
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
foreach(name Quillmoor.exe Tackhouse.exe Quillmoor.chm)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${STAGE}/${name} ${BUILD}/${name}
                    RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "${name} in the package differs from the build's")
    endif()
endforeach()

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
