# The core's folders form layers: each may include its own folder and those
# below it, never one above, nor the front ends or Qt. Run with
#   cmake -DROOT=<source dir> -P core_layers.cmake
# it fails naming every include that breaks the order.
set(LAYERS uir files edit synth display workspace excite recipe design)

file(GLOB_RECURSE SOURCES RELATIVE ${ROOT} ${ROOT}/core/*.h ${ROOT}/core/*.cpp)
set(FAULTS "")
foreach(source IN LISTS SOURCES)
  # core/limits.h and its kind, at the core's top, are the base of every layer.
  if(source MATCHES "^core/([a-z]+)/")
    list(FIND LAYERS ${CMAKE_MATCH_1} own)
  else()
    set(own -1)
  endif()
  file(STRINGS ${ROOT}/${source} includes REGEX "^#include")
  foreach(line IN LISTS includes)
    if(line MATCHES "^#include [<\"](gui|cli|tests|Q[A-Za-z]*)[/>\"]")
      string(APPEND FAULTS "  ${source}: ${line} (a front end or Qt)\n")
    elseif(line MATCHES "^#include \"core/([a-z_]+)/")
      list(FIND LAYERS ${CMAKE_MATCH_1} layer)
      if(layer GREATER own)
        string(APPEND FAULTS "  ${source}: ${line} (a layer above)\n")
      endif()
    endif()
  endforeach()
endforeach()
if(FAULTS)
  message(FATAL_ERROR "Includes against the core's layers (${LAYERS}, lowest first):\n${FAULTS}")
endif()
list(LENGTH SOURCES count)
message(STATUS "${count} core files keep to the layers")
