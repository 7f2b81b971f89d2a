# Installs the build into STAGE with DESTDIR and an unusual prefix, then checks every file the desktop needs.
set(prefix /opt/lumora-check)
set(root "${STAGE}${prefix}")
file(REMOVE_RECURSE "${STAGE}")
set(ENV{DESTDIR} "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected
  bin/lumora bin/lumora-widget
  share/applications/id.lumora.Lumora.desktop share/applications/id.lumora.Lumora.Widget.desktop
  share/metainfo/id.lumora.Lumora.metainfo.xml
  share/icons/hicolor/scalable/apps/lumora.svg
  share/lumora/sounds/takbir.wav share/lumora/vesk_sholat_v2.png)
if(EXISTS "${SOURCE_DIR}/resources/data")
  file(GLOB_RECURSE data RELATIVE "${SOURCE_DIR}/resources/data" "${SOURCE_DIR}/resources/data/*")
  list(TRANSFORM data PREPEND share/lumora/)
  list(APPEND expected ${data})
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${root}/${f}")
    list(APPEND missing ${f})
  endif()
endforeach()

# A PNG's width and height stand big-endian at bytes 16 and 20.
function(png_size file out)
  file(READ "${file}" hex OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${hex}" 0 8 w)
  string(SUBSTRING "${hex}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${out} "${w}x${h}" PARENT_SCOPE)
endfunction()
foreach(size 16 22 24 32 48 64 128 256)
  set(png "${root}/share/icons/hicolor/${size}x${size}/apps/lumora.png")
  if(NOT EXISTS "${png}")
    list(APPEND missing ${png})
    continue()
  endif()
  png_size("${png}" got)
  if(NOT got STREQUAL "${size}x${size}")
    list(APPEND wrong "${png} is ${got}")
  endif()
endforeach()
png_size("${root}/share/lumora/vesk_sholat_v2.png" got)
if(NOT got STREQUAL "256x256")
  list(APPEND wrong "vesk_sholat_v2.png is ${got}")
endif()

# Everything went below the prefix (the manifest leaves DESTDIR out), and nothing to the prefix itself.
file(STRINGS "${BUILD_DIR}/install_manifest.txt" installed)
foreach(f IN LISTS installed)
  if(NOT f MATCHES "^${prefix}/" OR NOT EXISTS "${STAGE}${f}")
    list(APPEND stray ${f})
  endif()
endforeach()
if(EXISTS ${prefix})
  list(APPEND stray ${prefix})
endif()

if(missing OR wrong OR stray)
  message(FATAL_ERROR "missing: ${missing}\nwrong: ${wrong}\noutside DESTDIR/prefix: ${stray}")
endif()
file(REMOVE_RECURSE "${STAGE}")
