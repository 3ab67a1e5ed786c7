# The service process is started for a request and ends soon after: every
# start pays the dynamic loader's mapping and relocation of its libraries,
# and their file-backed pages are most of its resident size. So the service
# binary alone links the C++ runtime and SQLite statically and drops the
# sections nothing references. Tests, tools and benchmarks keep the shared
# libraries; the sanitizer build keeps them too (its runtimes intercept them).

# weather_lean_link(<executable> <static library linked into it>...)
function(weather_lean_link target)
  if(WEATHER_SANITIZE)
    return()
  endif()
  # PkgConfig::SQLITE links the static archive into a target whose
  # WEATHER_STATIC_SQLITE property is set, the shared library everywhere else.
  find_library(WEATHER_SQLITE_ARCHIVE NAMES libsqlite3.a)
  if(WEATHER_SQLITE_ARCHIVE)
    get_target_property(shared PkgConfig::SQLITE INTERFACE_LINK_LIBRARIES)
    set(static_wanted "$<BOOL:$<TARGET_PROPERTY:WEATHER_STATIC_SQLITE>>")
    set_property(TARGET PkgConfig::SQLITE PROPERTY INTERFACE_LINK_LIBRARIES
      "$<${static_wanted}:${WEATHER_SQLITE_ARCHIVE}>"
      "$<${static_wanted}:m>"
      "$<$<NOT:${static_wanted}>:${shared}>")
    set_property(TARGET ${target} PROPERTY WEATHER_STATIC_SQLITE ON)
  else()
    message(STATUS "libsqlite3.a not found: the service links the shared SQLite")
  endif()
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
