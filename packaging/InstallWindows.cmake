# The Windows program as a zip: cpack -G ZIP in the Windows build gives
# lightning-<version>-win64.zip with
#
#   lightning.exe         the program (it needs only the system's DLLs)
#   DATA/font.bmp         the font bitmap, found relative to the working directory
#   LICENSE.txt, DATA/FONT-LICENSE.txt, README.txt
install(TARGETS lightning_app RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/DATA/font.bmp ${PROJECT_SOURCE_DIR}/DATA/FONT-LICENSE.txt DESTINATION DATA)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lightning)
set(CPACK_PACKAGE_VENDOR "the lightning authors")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
