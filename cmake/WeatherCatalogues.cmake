# weather_catalogues(DOMAIN PO_DIR)
# Compiles PO_DIR/<language>.po of each language of WEATHER_LANGUAGES that
# has one (en_US always) into res/locale/<language>/LC_MESSAGES/DOMAIN.mo of
# the resource staging directory, which the device set-up installs into the
# weather package, and installs it there. Target: DOMAIN_catalogue.
find_program(MSGFMT_EXECUTABLE msgfmt REQUIRED)

function(weather_catalogues domain po_dir)
  set(outputs)
  # A catalogue added later configures again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${po_dir})
  # A catalogue of a language the device does not speak would never be built.
  file(GLOB sources ${po_dir}/*.po)
  foreach(po ${sources})
    get_filename_component(lang ${po} NAME_WE)
    if(NOT lang IN_LIST WEATHER_LANGUAGES)
      message(FATAL_ERROR "${po}: ${lang} has no catalogue of the weather domain (common/po/${lang}.po)")
    endif()
  endforeach()
  foreach(lang ${WEATHER_LANGUAGES})
    set(po ${po_dir}/${lang}.po)
    if(NOT EXISTS ${po})
      if(lang STREQUAL "en_US")
        message(FATAL_ERROR "${po}: the ${domain} catalogue of ${lang} is missing")
      endif()
      continue()
    endif()
    set(mo_dir ${WEATHER_RES_STAGING_DIR}/locale/${lang}/LC_MESSAGES)
    add_custom_command(OUTPUT ${mo_dir}/${domain}.mo
      COMMAND ${CMAKE_COMMAND} -E make_directory ${mo_dir}
      COMMAND ${MSGFMT_EXECUTABLE} --check -o ${mo_dir}/${domain}.mo ${po}
      DEPENDS ${po}
      COMMENT "Compiling the ${domain} catalogue of ${lang}"
      VERBATIM)
    list(APPEND outputs ${mo_dir}/${domain}.mo)
    install(FILES ${mo_dir}/${domain}.mo DESTINATION ${WEATHER_INSTALL_RESDIR}/locale/${lang}/LC_MESSAGES)
  endforeach()
  add_custom_target(${domain}_catalogue ALL DEPENDS ${outputs})
endfunction()
