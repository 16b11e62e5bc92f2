# Installs the build into PREFIX and checks that the desktop installation is complete.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DPROGRAM=... -P CheckInstall.cmake
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

# The installed program is the one built, and it still carries its version record.
file(SHA256 "${PROGRAM}" built)
file(SHA256 "${PREFIX}/bin/velastrin" installed)
if(NOT built STREQUAL installed)
  message(FATAL_ERROR "bin/velastrin differs from ${PROGRAM}")
endif()
file(STRINGS "${PREFIX}/bin/velastrin" record REGEX "StringFileInfo" LIMIT_COUNT 1)
if(NOT record)
  message(FATAL_ERROR "bin/velastrin carries no version record")
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
