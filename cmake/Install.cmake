# `cmake --install`: the programs, libzorblax.so and libvexutil.so with
# versioned sonames, the public headers of both, their pkg-config files, a
# man page per program (made from man/), the desktop files, the MIME type and
# the icon, the documentation and the embedding examples. Programs find the
# libraries through a RUNPATH relative to their own place, so an installed
# tree can be moved as a whole. Packaging.cmake turns the same rules into a
# Debian package.
include(GNUInstallDirs)

set(_zorb_runpath "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
set(ZORB_DOC_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zorblax)

# The libraries' file names carry their interface version (the soname) and
# the toolkit's version: libzorblax.so.0 -> libzorblax.so.0.3.1.0.
foreach(_lib zorblax vexutil)
  set_target_properties(${_lib} PROPERTIES VERSION ${ZORBLAX_SOVERSION}.${PROJECT_VERSION}
                                           SOVERSION ${ZORBLAX_SOVERSION})
  install(TARGETS ${_lib} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endforeach()

# Every program of the toolkit. Each has a man page source man/PROGRAM.md
# (the front end's only when it is built: ZORB_FRONTEND).
set(_zorb_programs zorbplw zorbscw zorblaxw zbxinfo zorbc zorbmix zbxcompi pictproc sndproc zorbfr vexsiw)
set(_zorb_man_dir ${PROJECT_BINARY_DIR}/man)
set(_zorb_pages)
foreach(_program ${_zorb_programs})
  if(NOT TARGET ${_program})
    continue()
  endif()
  set_target_properties(${_program} PROPERTIES INSTALL_RPATH "${_zorb_runpath}")
  install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(_md ${PROJECT_SOURCE_DIR}/man/${_program}.md)
  if(NOT EXISTS ${_md})
    message(FATAL_ERROR "${_program} has no man page source ${_md}")
  endif()
  set(_page ${_zorb_man_dir}/${_program}.1)
  add_custom_command(
    OUTPUT ${_page}
    COMMAND ${CMAKE_COMMAND} -DIN=${_md} -DOUT=${_page} -DNAME=${_program} -DVERSION=${PROJECT_VERSION}
            -P ${PROJECT_SOURCE_DIR}/cmake/MarkdownToMan.cmake
    DEPENDS ${_md} ${PROJECT_SOURCE_DIR}/cmake/MarkdownToMan.cmake
    COMMENT "Man page ${_program}.1"
    VERBATIM)
  list(APPEND _zorb_pages ${_page})
endforeach()
if(_zorb_pages)
  add_custom_target(man ALL DEPENDS ${_zorb_pages})
  install(FILES ${_zorb_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The public headers of the installed libraries, under include/zorblax/ as
# they are included in the tree: vexutil.h (libvexutil), zorb.h, examine.h
# and blit.h (libzorblax).
foreach(_header vexutil/vexutil.h codec/zorb.h codec/examine.h runtime/blit.h)
  get_filename_component(_sub ${_header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorblax/${_sub})
endforeach()

# The pkg-config files are written at install time, with the prefix the tree
# is installed under (`--prefix`, or /usr in the package), as plain absolute
# paths: pkg-config prints exactly the directories that exist.
foreach(_pc zorblax vexutil)
  install(CODE "
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    set(ZORB_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(ZORB_PC_LIBDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}\")
    set(ZORB_PC_INCLUDEDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}/zorblax\")
    # One scratch file per destination: installs into several places at
    # once (the tests, a package build) never write the same file.
    string(MD5 _where \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/${_pc}.pc.in\" \"${PROJECT_BINARY_DIR}/pc/\${_where}/${_pc}.pc\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\" TYPE FILE
         FILES \"${PROJECT_BINARY_DIR}/pc/\${_where}/${_pc}.pc\")")
endforeach()

# Desktop integration: a launcher per graphical program, the MIME type of
# .zbx files (and ZorbScript's .zs) and the icon.
install(FILES ${PROJECT_SOURCE_DIR}/desktop/zorblax-zorbplw.desktop ${PROJECT_SOURCE_DIR}/desktop/zorblax-zorbscw.desktop
              ${PROJECT_SOURCE_DIR}/desktop/zorblax-zorblaxw.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/zorblax.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/zorblax.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

# The documentation (the front end's Help shows it from here) and the
# embedding examples.
file(GLOB _zorb_docs ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${_zorb_docs} ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${ZORB_DOC_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/decode_to_files.c ${PROJECT_SOURCE_DIR}/examples/sdl_player.cpp
              ${PROJECT_SOURCE_DIR}/examples/Makefile
        DESTINATION ${ZORB_DOC_INSTALL_DIR}/examples)
