# Small helpers shared by the subsystem CMakeLists files.

# zorb_glob_sources(VAR DIR): every .cpp/.c file directly in DIR, re-globbed on build.
function(zorb_glob_sources var dir)
  file(GLOB _srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  set(${var} ${_srcs} PARENT_SCOPE)
endfunction()


# Everything a test or benchmark may link: the toolkit's libraries, all static.
set(ZORB_ALL_LIBS ztoolcommon zencoder zvex zruntime zblit zcodec zplatform CACHE INTERNAL "")

# zorb_library(NAME DIR [LINKS...]): a static, position-independent library from
# the sources in DIR.
function(zorb_library name dir)
  zorb_glob_sources(_srcs ${dir})
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE zorb_warnings)
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# The blitter's exported names (runtime/blit.h).
set(ZORB_BLIT_EXPORTS ZorbBlitOpen ZorbBlitSetPalette ZorbBlitSetFlags ZorbBlitString ZorbBlit ZorbBlitTrans
    ZorbBlitMask ZorbBlitMerge ZorbBlitClear ZorbBlitClose ZorbBufferToBuffer ZorbBufferToBufferTrans
    ZorbBufferToBufferMask ZorbBufferToBufferMerge CACHE INTERNAL "")

# zorb_export_blitter(TARGET): the program exports the blitter's names as
# dynamic symbols. Each name is forced in from the static runtime library even
# when the program itself never calls it.
function(zorb_export_blitter target)
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  foreach(_name ${ZORB_BLIT_EXPORTS})
    target_link_options(${target} PRIVATE "LINKER:--undefined=${_name}")
  endforeach()
endfunction()
