# Converts one song: cmake -DABC2MIDI=... -DINPUT=song.abc -DOUTPUT=song.mid -P ConvertSong.cmake
# abc2midi reports a bar of the wrong length, or voices that drift apart, only
# as a warning and still writes a file, which then plays out of step. Any
# remark from it fails the build instead. -NCOM keeps its own comments out of
# the file, so the same text always gives the same bytes.
execute_process(
  COMMAND ${ABC2MIDI} ${INPUT} -silent -NCOM -o ${OUTPUT}
  OUTPUT_VARIABLE messages
  ERROR_VARIABLE messages
  RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR messages MATCHES "[A-Za-z]")
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "abc2midi did not take ${INPUT} cleanly:\n${messages}")
endif()
