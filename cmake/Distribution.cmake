# A sample distribution folder, laid out as the clinics receive it: the setup program beside the
# folders it deploys from. The deployed files are the stand-ins of distribution/ (its README.txt names
# them), free fonts of Debian's font packages under the names the setup program expects, and stand-in
# programs of ours built in standins/.
set(DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(DIST_SOURCE ${PROJECT_SOURCE_DIR}/distribution)
set(DIST_FOLDERS DTAfb Firebird Firebird/intl Firebird/udf UDF fonts FTDIDriverInstall backup Updater)
list(TRANSFORM DIST_FOLDERS PREPEND ${DIST_DIR}/ OUTPUT_VARIABLE DIST_FOLDER_PATHS)
file(GLOB_RECURSE DIST_FILES CONFIGURE_DEPENDS ${DIST_SOURCE}/*)

# The newest release level, whose script puts the suite's main program into the target folder.
set(DIST_NEWEST_LEVEL backup/L011226)
# Distribution name = the font file it is made from (fonts-liberation, fonts-dejavu-core, fonts-wine).
set(DIST_FONTS
  ARIAL.TTF=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
  ARIALN.TTF=/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Regular.ttf
  COUR.TTF=/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf
  MICROSS.TTF=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf
  TAHOMA.TTF=/usr/share/wine/fonts/tahoma.ttf
  TIMES.TTF=/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf
  verdana.TTF=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf)
set(DIST_FONT_COMMANDS)
foreach(entry ${DIST_FONTS})
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 name)
  list(GET pair 1 file)
  list(APPEND DIST_FONT_COMMANDS COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${DIST_DIR}/fonts/${name})
endforeach()

add_custom_target(distribution ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DIST_FOLDER_PATHS} ${DIST_DIR}/${DIST_NEWEST_LEVEL}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${DIST_SOURCE} ${DIST_DIR}
  ${DIST_FONT_COMMANDS}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:FTDIDriverInstall>
          ${DIST_DIR}/FTDIDriverInstall/FTDIDriverInstall.exe
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:MainProgramStandin>
          ${DIST_DIR}/${DIST_NEWEST_LEVEL}/Vidoze.exe
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Install> ${DIST_DIR}/Install.exe
  # Last: the list covers every file laid out above.
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/write-checksums.sh ${DIST_DIR}
  DEPENDS Install FTDIDriverInstall MainProgramStandin ${DIST_FILES}
  COMMENT "Laying out the sample distribution in ${DIST_DIR}")
