# Stages what the packages ship, then packs the ZIP package from the stage.
# The programs are stripped of their symbol tables; every staged file is dated
# with the build's time (EPOCH_FILE) and has a fixed mode, and the ZIP holds
# them in a fixed order without owner or local-time data, so that two builds
# of one commit give the same bytes.
#   cmake -DSTRIP=<strip> -DZIP=<zip> -DEPOCH_FILE=<file> -DSTAGE=<folder> -DPACKAGE=<zip>
#         -DPROGRAMS=<exe;...> -DFILES=<other files;...> -P Package.cmake
file(READ "${EPOCH_FILE}" epoch)
# strip writes the time stamp anew; zip writes local times.
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
set(ENV{TZ} UTC)

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
set(names)
foreach(program ${PROGRAMS})
    get_filename_component(name "${program}" NAME)
    execute_process(COMMAND "${STRIP}" --strip-all -o "${STAGE}/${name}" "${program}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot strip ${program}")
    endif()
    file(CHMOD "${STAGE}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    list(APPEND names "${name}")
endforeach()
foreach(other ${FILES})
    get_filename_component(name "${other}" NAME)
    file(COPY_FILE "${other}" "${STAGE}/${name}")
    file(CHMOD "${STAGE}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    list(APPEND names "${name}")
endforeach()
foreach(name ${names})
    execute_process(COMMAND touch -d "@${epoch}" "${STAGE}/${name}" RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot date ${name}")
    endif()
endforeach()

# -X leaves out the owner's user and group ids and the extra time fields.
file(REMOVE "${PACKAGE}")
execute_process(COMMAND "${ZIP}" -X -q "${PACKAGE}" ${names} WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot pack ${PACKAGE}")
endif()
