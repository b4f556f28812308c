# The distribution folder build/win/dist: what a user unpacks.
#   Nimbrel.exe
#   Tools\convertESD_wimlib.bat, Tools\wimlib_x86\, Tools\wimlib_x64\ (readmes)
# The shipped Nimbrel.exe carries no symbols; they stay in the build as
# Nimbrel.debug, which the exe names in its debug link, so that a crash
# address can still be turned into a function and a line.
set(NIMBREL_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(NIMBREL_DEBUG_FILE ${CMAKE_BINARY_DIR}/Nimbrel.debug)
add_custom_target(dist ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${NIMBREL_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/package ${NIMBREL_DIST_DIR}
  COMMENT "Assembling the distribution folder")
if(TARGET Nimbrel)
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "objcopy of the cross toolchain not found")
  endif()
  add_dependencies(dist Nimbrel)
  # The debug link is written from the debug file's own folder, so it names
  # the file alone (a debugger looks for it beside the exe or where told).
  add_custom_command(TARGET dist POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:Nimbrel> ${NIMBREL_DEBUG_FILE}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=Nimbrel.debug
            $<TARGET_FILE:Nimbrel> ${NIMBREL_DIST_DIR}/Nimbrel.exe
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    VERBATIM)
endif()
