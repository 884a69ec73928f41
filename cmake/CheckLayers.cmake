# Refuses a source that includes a header of a layer above its own. The layers, lowest
# first: the key coding, the search engine (both without Qt), the widgets, then the
# demonstration; the command line sits beside the widgets, without Qt.
# Run as: cmake -DQM_SOURCE_DIR=<project> -P CheckLayers.cmake
set(search_headers "quarrymink/(database|search|sampledb)\\.h")
set(widget_headers "quarrymink/(qm|property_bag|type_library)\\.h|quarrymink/widgets/")
set(qt_headers "<Q[A-Za-z]+>|<Qt[A-Za-z]+/")

# Each layer's folder and what it may not include.
set(layers keycoding search cli)
set(keycoding_forbidden "${search_headers}|${widget_headers}|${qt_headers}")
set(search_forbidden "${widget_headers}|${qt_headers}")
set(cli_forbidden "${widget_headers}|${qt_headers}")

set(violations "")
foreach(layer ${layers})
  file(GLOB_RECURSE sources ${QM_SOURCE_DIR}/src/${layer}/*.cpp ${QM_SOURCE_DIR}/src/${layer}/*.h
       ${QM_SOURCE_DIR}/src/${layer}/*.inc)
  if(layer STREQUAL "keycoding")
    file(GLOB public ${QM_SOURCE_DIR}/include/quarrymink/keycoding.h ${QM_SOURCE_DIR}/include/quarrymink/unicode.h)
    list(APPEND sources ${public})
  elseif(layer STREQUAL "search")
    file(GLOB public ${QM_SOURCE_DIR}/include/quarrymink/database.h ${QM_SOURCE_DIR}/include/quarrymink/search.h
         ${QM_SOURCE_DIR}/include/quarrymink/sampledb.h)
    list(APPEND sources ${public})
  endif()
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
      if(line MATCHES "${${layer}_forbidden}")
        file(RELATIVE_PATH where ${QM_SOURCE_DIR} ${source})
        string(STRIP "${line}" line)
        string(APPEND violations "  ${where}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(violations)
  message(FATAL_ERROR "A lower layer includes a higher one:\n${violations}")
endif()
