# Fails when the authoring tool links a window library (Qt Widgets or Qt
# PrintSupport): it runs in builds and scripts without a display.
#   cmake -DTOOL=lovetest-content -DREADELF=readelf "-DWINDOW_LINKS=chain;..." -P windowless_link.cmake
# WINDOW_LINKS holds the chains of targets, found at configure time, that
# bring a window library onto the tool's link line; the binary's own NEEDED
# entries are read here.
if(WINDOW_LINKS)
  list(JOIN WINDOW_LINKS "\n  " chains)
  message(FATAL_ERROR "lovetest-content links a window library:\n  ${chains}")
endif()
execute_process(COMMAND ${READELF} -d ${TOOL} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} -d ${TOOL} failed")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*" needed "${dynamic}")
if(NOT needed MATCHES "libQt6Core")
  message(FATAL_ERROR "no NEEDED entries read from ${TOOL}")
endif()
foreach(library IN LISTS needed)
  if(library MATCHES "libQt6(Widgets|PrintSupport)")
    message(FATAL_ERROR "lovetest-content needs a window library: ${library}")
  endif()
endforeach()
