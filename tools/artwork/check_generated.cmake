# Regenerates the artwork into OUTPUT and compares it byte for byte with the committed files in COMMITTED.
file(REMOVE_RECURSE ${OUTPUT})
# The contact sheet too, though it is not compared: a row the sheet cannot show fails here.
execute_process(COMMAND ${GENERATOR} --font ${FONT} --sheet ${OUTPUT}/artwork.png ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the artwork generator failed (${result})")
endif()

file(GLOB_RECURSE generated RELATIVE ${OUTPUT} ${OUTPUT}/options/* ${OUTPUT}/setup/*)
file(GLOB_RECURSE committed RELATIVE ${COMMITTED} ${COMMITTED}/options/* ${COMMITTED}/setup/*)
list(APPEND generated nivora.ico)
list(APPEND committed nivora.ico)
list(SORT generated)
list(SORT committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "committed artwork differs in names from the generated ones:\n"
                      "  generated: ${generated}\n  committed: ${committed}\n"
                      "run the 'artwork' target and commit its output")
endif()

set(differing)
foreach(name IN LISTS generated)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${name} ${COMMITTED}/${name}
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differing ${name})
  endif()
endforeach()
if(differing)
  message(FATAL_ERROR "committed artwork differs from the generator's output: ${differing}\n"
                      "run the 'artwork' target and commit its output")
endif()
list(LENGTH generated count)
message(STATUS "${count} artwork files match the generator")
