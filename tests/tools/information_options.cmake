# Both programs answer --version and --help on standard output with status 0
# where no display can be reached (no platform, display or Wayland socket).
#   cmake -DPROGRAM=lovetest -DTOOL=lovetest-content -DVERSION=1.0 -P information_options.cmake
foreach(program ${PROGRAM} ${TOOL})
  get_filename_component(name ${program} NAME)
  foreach(option --version --help)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env --unset=QT_QPA_PLATFORM --unset=DISPLAY --unset=WAYLAND_DISPLAY
        ${program} ${option}
      OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 60)
    if(NOT status STREQUAL "0")
      message(FATAL_ERROR "${name} ${option} ended with ${status}:\n${out}${err}")
    endif()
    if(NOT err STREQUAL "")
      message(FATAL_ERROR "${name} ${option} wrote to standard error:\n${err}")
    endif()
    if(option STREQUAL "--version")
      set(expected "${name} ${VERSION}\n")
      if(NOT out STREQUAL expected)
        message(FATAL_ERROR "${name} --version printed \"${out}\", not \"${expected}\"")
      endif()
    else()
      string(FIND "${out}" "Usage: ${name} " at)
      string(FIND "${out}" "--version" mentioned)
      if(NOT at EQUAL 0 OR mentioned EQUAL -1)
        message(FATAL_ERROR "${name} --help printed no usage naming --version:\n${out}")
      endif()
    endif()
  endforeach()
endforeach()
