# The installation data (templates, pictures, language packs, skins, maker's defaults)
# is copied beside the programs whenever it changes.
set(_data_dirs)
set(_copy_commands)
foreach(dir res lang skins)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir})
    list(APPEND _data_dirs ${CMAKE_SOURCE_DIR}/${dir})
    list(APPEND _copy_commands
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/${dir} ${VARNELO_PROGRAM_DIR}/${dir})
  endif()
endforeach()
file(GLOB_RECURSE VARNELO_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/* ${CMAKE_SOURCE_DIR}/lang/*
  ${CMAKE_SOURCE_DIR}/skins/*)
set(_stamp ${CMAKE_BINARY_DIR}/install-data.stamp)
add_custom_command(OUTPUT ${_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VARNELO_PROGRAM_DIR}
  ${_copy_commands}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/const.dat ${VARNELO_PROGRAM_DIR}/const.dat
  COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
  DEPENDS ${VARNELO_DATA_FILES} ${CMAKE_SOURCE_DIR}/const.dat
  COMMENT "Copying installation data beside the programs")
add_custom_target(varnelo_install_data ALL DEPENDS ${_stamp})
