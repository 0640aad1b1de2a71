# The program's folder on Windows, flat as a Windows program's is: korvel.exe and the tools under
# their own names, the DLLs they load (Qt's, the libraries', the compiler's runtime), Qt's
# plugins in the folders Qt looks for them beside the program, and the fonts.
install(TARGETS korvel ${KORVEL_TOOLS} RUNTIME DESTINATION .)
install(DIRECTORY ${KORVEL_FONTS_DIR}/ DESTINATION fonts)
set(qt ${KORVEL_MINGW_ROOT}/qt6)
set(deps ${KORVEL_MINGW_ROOT}/deps/bin)
install(FILES ${qt}/bin/Qt6Core.dll ${qt}/bin/Qt6Gui.dll ${qt}/bin/Qt6Widgets.dll
              ${deps}/libjpeg-62.dll ${deps}/libzlib.dll ${deps}/libzip.dll
              ${KORVEL_GCC_RUNTIME_DIR}/libstdc++-6.dll ${KORVEL_GCC_RUNTIME_DIR}/libgcc_s_seh-1.dll
              /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
        DESTINATION .)
install(FILES ${qt}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${qt}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
install(FILES ${qt}/plugins/imageformats/qjpeg.dll DESTINATION imageformats)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/copyright DESTINATION . RENAME copyright.txt)
