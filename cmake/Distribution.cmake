# A sample distribution folder, laid out as the clinics receive it: the setup program beside the
# folders it deploys from. The deployed files are the stand-ins of distribution/ (its README.txt names
# them).
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(DIST_SOURCE ${PROJECT_SOURCE_DIR}/distribution)
set(DIST_FOLDERS DTAfb Firebird Firebird/intl Firebird/udf UDF fonts FTDIDriverInstall backup Updater)
list(TRANSFORM DIST_FOLDERS PREPEND ${DIST_DIR}/ OUTPUT_VARIABLE DIST_FOLDER_PATHS)
file(GLOB_RECURSE DIST_FILES CONFIGURE_DEPENDS ${DIST_SOURCE}/*)
add_custom_target(distribution ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_FOLDER_PATHS}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${DIST_SOURCE} ${DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Install> ${DIST_DIR}/Install.exe
  DEPENDS Install ${DIST_FILES}
  COMMENT "Laying out the sample distribution in ${DIST_DIR}")
