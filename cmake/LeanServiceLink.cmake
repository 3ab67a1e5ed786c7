# The service process is started for a request and ends soon after: every
# start pays the dynamic loader's mapping and relocation of its libraries,
# and their file-backed pages are most of its resident size. So the service
# binary alone links the C++ runtime and SQLite statically and drops the
# sections nothing references. Tests, tools and benchmarks keep the shared
# libraries; the sanitizer build keeps them too (its runtimes intercept them).

# PkgConfig::SQLITE links the static archive into a target whose
# WEATHER_STATIC_SQLITE property is set, the shared library everywhere else.
function(weather_sqlite_by_target)
  find_library(WEATHER_SQLITE_ARCHIVE NAMES libsqlite3.a)
  if(NOT WEATHER_SQLITE_ARCHIVE)
    message(STATUS "libsqlite3.a not found: the service links the shared SQLite")
    return()
  endif()
  get_target_property(shared PkgConfig::SQLITE INTERFACE_LINK_LIBRARIES)
  set(static_wanted "$<BOOL:$<TARGET_PROPERTY:WEATHER_STATIC_SQLITE>>")
  set_property(TARGET PkgConfig::SQLITE PROPERTY INTERFACE_LINK_LIBRARIES
    "$<${static_wanted}:${WEATHER_SQLITE_ARCHIVE}>"
    "$<${static_wanted}:m>"
    "$<$<NOT:${static_wanted}>:${shared}>")
endfunction()

# weather_lean_link(<executable> <static library linked into it>...)
function(weather_lean_link target)
  if(WEATHER_SANITIZE)
    return()
  endif()
  weather_sqlite_by_target()
  set_property(TARGET ${target} PROPERTY WEATHER_STATIC_SQLITE ON)
  # Sections per function and object, so that the linker can drop the unused
  # ones; a library made of an object library's objects is compiled there.
  foreach(library ${ARGN})
    get_target_property(objects ${library} WEATHER_OBJECT_LIBRARY)
    if(objects)
      set(library ${objects})
    endif()
    target_compile_options(${library} PRIVATE -ffunction-sections -fdata-sections)
  endforeach()
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
  target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--gc-sections -Wl,--as-needed -Wl,-O1)
endfunction()

# weather_order_functions(<executable> <ordering file>)
# A read fault on a file page maps the whole page-cache window around it
# (fault-around), so each function the process runs brings its neighbours'
# pages too. lld places the functions named in the ordering file (one symbol
# a line: those a job runs, made by scripts/service-order.sh) first and
# together, so the code no job runs stays unmapped. A symbol that is gone is
# skipped and a missing one is placed as before: a stale file only costs
# resident size. Without lld the link is the default one.
#
# The start-up, exit and PLT code go just before it (PltBeforeText.ld).
# The binary's segments are aligned to the kernel's fault-around window (64 KiB), so
# that the windows a job maps follow from the layout and not from where the
# loader happened to place the binary: the same pages every start.
#
# The relative relocations are packed too (DT_RELR, glibc 2.36): the loader
# then reads a few hundred bytes instead of a 100 KiB table at every start.
function(weather_order_functions target order_file)
  if(WEATHER_SANITIZE)
    return()
  endif()
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_QUIET ON)
  set(ordering -fuse-ld=lld "-Wl,--symbol-ordering-file=${order_file}" -Wl,--no-warn-symbol-ordering
    -Wl,-z,max-page-size=65536 "-Wl,-T,${CMAKE_SOURCE_DIR}/cmake/PltBeforeText.ld")
  set(CMAKE_REQUIRED_LINK_OPTIONS ${ordering})
  check_cxx_source_compiles("int main() { return 0; }" WEATHER_HAVE_LLD_ORDERING)
  if(NOT WEATHER_HAVE_LLD_ORDERING)
    message(STATUS "lld not found: ${target} is linked without a function order")
    return()
  endif()
  target_link_options(${target} PRIVATE ${ordering})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${order_file} ${CMAKE_SOURCE_DIR}/cmake/PltBeforeText.ld)

  set(need ${CMAKE_SOURCE_DIR}/src/link/RelrVersionNeed.cpp)
  set(CMAKE_REQUIRED_LINK_OPTIONS ${ordering} -Wl,--pack-dyn-relocs=relr)
  file(READ ${need} need_source)
  check_cxx_source_compiles("${need_source}\nint main() { return weather_relr_version_need != nullptr; }"
    WEATHER_HAVE_RELR)
  if(WEATHER_HAVE_RELR)
    target_sources(${target} PRIVATE ${need})
    target_link_options(${target} PRIVATE -Wl,--pack-dyn-relocs=relr -Wl,--undefined=weather_relr_version_need)
  endif()
endfunction()
