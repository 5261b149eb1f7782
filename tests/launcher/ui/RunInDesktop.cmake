# Runs one test program inside a Wine virtual desktop and turns the exit code it left in a file
# into this script's result (explorer /desktop does not pass the program's own back).
# -D PROGRAM=unix path  SIZE=WxH  DPI=n  RESULT=name of the result file in drive C of $WINEPREFIX
# The prefix runs at the handheld's DPI for this program only; it is put back to 96 afterwards.
set(RESULT $ENV{WINEPREFIX}/drive_c/${RESULT})
execute_process(COMMAND winepath -w ${PROGRAM} OUTPUT_VARIABLE win_program OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND winepath -w ${RESULT} OUTPUT_VARIABLE win_result OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE ${RESULT} ${RESULT}.log)
if(NOT DPI)
  set(DPI 96)
endif()
set(dpi_key "HKCU\\Control Panel\\Desktop")
execute_process(COMMAND wine reg add ${dpi_key} /v LogPixels /t REG_DWORD /d ${DPI} /f OUTPUT_QUIET ERROR_QUIET)
# The program opens its log first thing. Under load, explorer now and then comes back with 1
# without having started it at all (no log): that start, and only that one, is made once more.
foreach(attempt 1 2)
  execute_process(COMMAND wine explorer /desktop=qzr${SIZE},${SIZE} ${win_program} --size=${SIZE} --dpi=${DPI} --result=${win_result}
                  RESULT_VARIABLE explorer_rc)
  # In case explorer came back before the program finished.
  foreach(i RANGE 120)
    if(EXISTS ${RESULT} OR (attempt EQUAL 1 AND NOT explorer_rc EQUAL 0 AND i EQUAL 20 AND NOT EXISTS ${RESULT}.log))
      break()
    endif()
    execute_process(COMMAND sleep 0.5)
  endforeach()
  if(EXISTS ${RESULT} OR EXISTS ${RESULT}.log)
    break()
  endif()
  message("explorer returned ${explorer_rc} without starting the program in the ${SIZE} desktop; starting it again")
endforeach()
execute_process(COMMAND wine reg add ${dpi_key} /v LogPixels /t REG_DWORD /d 96 /f OUTPUT_QUIET ERROR_QUIET)
if(EXISTS ${RESULT}.log)
  file(READ ${RESULT}.log log)
  message("${log}")
endif()
if(NOT EXISTS ${RESULT})
  message(FATAL_ERROR "no result from the program in the ${SIZE} desktop (explorer returned ${explorer_rc})")
endif()
file(READ ${RESULT} rc)
string(STRIP "${rc}" rc)
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "the program in the ${SIZE} desktop failed: ${rc}")
endif()
