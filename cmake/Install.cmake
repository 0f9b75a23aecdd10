# `cmake --install`: the programs, libvexutil.so with a versioned soname, the
# public headers, a pkg-config file and man pages made from docs/. Programs
# find the library through a RUNPATH relative to their own place, so an
# installed tree can be moved as a whole.
include(GNUInstallDirs)

set(_zorb_runpath "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

if(TARGET vexutil)
  set_target_properties(vexutil PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  install(TARGETS vexutil LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# Every program that exists in this tree, with the page of docs/ that
# describes it (programs added later are picked up when their target exists).
set(_zorb_programs
  zorbplw:player zorbc:zorbc zorbmix:zorbmix zbxinfo:zbxinfo zbxcompi:zbxcompi
  zorbscw:zorbscw zorblaxw:frontend pictproc:pictproc sndproc:sndproc zorbfr:zorbfr vexsiw:vexsiw)
set(_zorb_man_dir ${PROJECT_BINARY_DIR}/man)
set(_zorb_pages)
foreach(_entry ${_zorb_programs})
  string(REPLACE ":" ";" _pair ${_entry})
  list(GET _pair 0 _program)
  list(GET _pair 1 _doc)
  if(NOT TARGET ${_program})
    continue()
  endif()
  set_target_properties(${_program} PROPERTIES INSTALL_RPATH "${_zorb_runpath}")
  install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(_md ${PROJECT_SOURCE_DIR}/docs/${_doc}.md)
  if(EXISTS ${_md})
    set(_page ${_zorb_man_dir}/${_program}.1)
    add_custom_command(
      OUTPUT ${_page}
      COMMAND ${CMAKE_COMMAND} -DIN=${_md} -DOUT=${_page} -DNAME=${_program} -DVERSION=${PROJECT_VERSION}
              -P ${PROJECT_SOURCE_DIR}/cmake/MarkdownToMan.cmake
      DEPENDS ${_md} ${PROJECT_SOURCE_DIR}/cmake/MarkdownToMan.cmake
      COMMENT "Man page ${_program}.1"
      VERBATIM)
    list(APPEND _zorb_pages ${_page})
  endif()
endforeach()
if(_zorb_pages)
  add_custom_target(man ALL DEPENDS ${_zorb_pages})
  install(FILES ${_zorb_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The public headers, under include/zorblax/ as they are included in the tree.
foreach(_header vexutil/vexutil.h codec/zorb.h runtime/blit.h)
  get_filename_component(_sub ${_header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorblax/${_sub})
endforeach()

# The pkg-config file finds its prefix from its own place (relocatable).
file(RELATIVE_PATH ZORB_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vexutil.pc.in ${PROJECT_BINARY_DIR}/vexutil.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vexutil.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
