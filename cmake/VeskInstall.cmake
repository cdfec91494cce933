# The installed tree: the programs and the shipped chip definition files together in
# <prefix>/lib/vesk (the programs look for "ChipDef_*.ini" in the folder of their real
# file), links to the programs in <prefix>/bin, the desktop entry and its icon, the
# manual pages and the documentation, the AppStream metadata, the bash completion of
# `vesk`, and the example program.
# `cpack -G DEB` makes a Debian package of it.
set(VESK_PROGRAM_DIR lib/vesk)
set(vesk_programs vesk vesk-sim)
if(VESK_BUILD_APP)
  list(APPEND vesk_programs WinVESK)
endif()
install(TARGETS ${vesk_programs} RUNTIME DESTINATION ${VESK_PROGRAM_DIR})
file(GLOB vesk_chip_files ${CMAKE_SOURCE_DIR}/chips/ChipDef_*.ini)
install(FILES ${vesk_chip_files} DESTINATION ${VESK_PROGRAM_DIR})
foreach(program ${vesk_programs})
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK ../${VESK_PROGRAM_DIR}/${program} \"\${bin}/${program}\" SYMBOLIC)
    message(STATUS \"Installing: \${bin}/${program} -> ../${VESK_PROGRAM_DIR}/${program}\")")
endforeach()
if(VESK_BUILD_APP)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vesk.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vesk.svg DESTINATION share/icons/hicolor/scalable/apps)
  # What software centres list (AppStream), beside the desktop entry it names.
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.example.vesk.winvesk.metainfo.xml DESTINATION share/metainfo)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/docs/man/vesk.1 ${CMAKE_SOURCE_DIR}/docs/man/vesk-sim.1 DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/vesk)
# Loaded by bash-completion when `vesk` is first completed.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/vesk.bash-completion DESTINATION share/bash-completion/completions
  RENAME vesk)
# The device table the shipped chip files are made from, and what its keys mean: the
# facts behind every file, for a user who checks one or writes their own.
install(FILES ${CMAKE_SOURCE_DIR}/chips/data/devices.json ${CMAKE_SOURCE_DIR}/chips/data/README.md
  DESTINATION share/doc/vesk/chipdata)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION share/doc/vesk/docs
  PATTERN man EXCLUDE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VERSION ${VESK_FILE_VERSION})
set(CPACK_PACKAGE_VENDOR "VESK")
set(CPACK_PACKAGE_CONTACT "VESK developers <vesk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PIC programming suite for the VESK in-circuit programmer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Dependencies from the libraries the programs really link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The tree `cmake --install` lays out, in a scratch folder: the installed `vesk`
# (through its link in bin) finds the shipped chips beside its real file.
if(VESK_BUILD_TESTS)
  add_test(NAME installed_tree_finds_the_shipped_chips
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSCRATCH=${CMAKE_BINARY_DIR}/install-test
            -DCHIPS_DIR=${CMAKE_SOURCE_DIR}/chips -P ${CMAKE_SOURCE_DIR}/packaging/InstalledTreeTest.cmake)
  set_tests_properties(installed_tree_finds_the_shipped_chips PROPERTIES LABELS packaging TIMEOUT 300)
  add_test(NAME bash_completion_offers_commands_options_and_chips
    COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/CompletionTest.sh $<TARGET_FILE:vesk>
            ${CMAKE_SOURCE_DIR}/packaging/vesk.bash-completion)
  set_tests_properties(bash_completion_offers_commands_options_and_chips PROPERTIES LABELS packaging)
endif()
