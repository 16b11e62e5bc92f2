# Installs the build into PREFIX and checks that the desktop installation is complete.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DPROGRAM=... -DDESKTOP=... -DDESKTOP_DIR=... -DSAMPLE=... -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                        --component velastrin
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file IN ITEMS bin/velastrin share/applications/velastrin.desktop
                      share/icons/hicolor/32x32/apps/velastrin.png share/man/man1/velastrin.1.gz)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "missing from the installed tree: ${file}")
  endif()
endforeach()

# The installed programs are the ones built, and they still carry their version record.
foreach(pair IN ITEMS "bin/velastrin=${PROGRAM}" "${DESKTOP_DIR}/velastrin-desktop=${DESKTOP}")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 file)
  list(GET pair 1 from)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "missing from the installed tree: ${file}")
  endif()
  file(SHA256 "${from}" built)
  file(SHA256 "${PREFIX}/${file}" installed)
  if(NOT built STREQUAL installed)
    message(FATAL_ERROR "${file} differs from ${from}")
  endif()
  file(STRINGS "${PREFIX}/${file}" record REGEX "StringFileInfo" LIMIT_COUNT 1)
  if(NOT record)
    message(FATAL_ERROR "${file} carries no version record")
  endif()
endforeach()

# The installed program finds the installed desktop program: a batch export of the sample.
set(out "${PREFIX}/check")
file(MAKE_DIRECTORY "${out}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                        "${PREFIX}/bin/velastrin" "${SAMPLE}" 1 "${out}/info.txt" "${out}/data.ascii"
                        /BATCH
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT EXISTS "${out}/data.ascii")
  message(FATAL_ERROR "the installed program did not export the sample (${result}): ${errors}")
endif()

# The desktop entry starts the installed program and names the installed icon.
file(READ "${PREFIX}/share/applications/velastrin.desktop" entry)
foreach(line IN ITEMS "Exec=velastrin %f" "Icon=velastrin" "Type=Application")
  string(FIND "${entry}" "${line}" at)
  if(at LESS 0)
    message(FATAL_ERROR "desktop entry lacks '${line}'")
  endif()
endforeach()
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} "${PREFIX}/share/applications/velastrin.desktop"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects the desktop entry")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
