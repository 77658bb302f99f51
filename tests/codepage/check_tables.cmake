# Regenerates the code-page tables with the platform's own conversions and
# compares them with the committed ones:
#   cmake -DEMULATOR=... -DGENERATOR=maketables.exe -DTABLES=codepage -DSCRATCH=dir -P check_tables.cmake
# Where the machine cannot run the generator it reports "SKIPPED:".
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${EMULATOR} ${GENERATOR} ${SCRATCH} RESULT_VARIABLE rc)
if(rc EQUAL 77 OR rc EQUAL 126 OR rc EQUAL 127 OR rc MATCHES "[a-zA-Z]")
  message("SKIPPED: this machine cannot run ${GENERATOR} (${rc})")
  return()
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the generator failed (${rc})")
endif()
foreach(table cp932_decode_table.cpp cp936_decode_table.cpp cp932_encode_table.cpp cp932_jis_round_trip_table.cpp)
  file(READ ${SCRATCH}/${table} fresh)
  file(READ ${TABLES}/${table} committed)
  if(NOT fresh STREQUAL committed)
    message(FATAL_ERROR "codepage/${table} differs from what the platform gives now (see ${SCRATCH}/${table})")
  endif()
  message("codepage/${table}: same as regenerated")
endforeach()
