# The distribution folder build/win/dist: what a user unpacks.
#   Nimbrel.exe
#   Tools\convertESD_wimlib.bat, Tools\wimlib_x86\, Tools\wimlib_x64\ (readmes)
set(NIMBREL_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
add_custom_target(dist ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${NIMBREL_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/package ${NIMBREL_DIST_DIR}
  COMMENT "Assembling the distribution folder")
if(TARGET Nimbrel)
  add_dependencies(dist Nimbrel)
  add_custom_command(TARGET dist POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Nimbrel> ${NIMBREL_DIST_DIR}/Nimbrel.exe)
endif()
