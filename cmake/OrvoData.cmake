# Delivered data beside the program. Pictures are always refreshed; config.xml and skinlist.xml
# are copied only when absent, so a rebuild never overwrites what the user changed.
add_custom_target(orvo_data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVO_OUT}/res ${ORVO_OUT}/skin
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/res ${ORVO_OUT}/res
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/skin ${ORVO_OUT}/skin
  COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR} -DDST=${ORVO_OUT}
          -P ${CMAKE_SOURCE_DIR}/cmake/CopyIfAbsent.cmake
  COMMENT "Delivered data into ${ORVO_OUT}"
  VERBATIM)
