# What `cmake --install` puts under the prefix, beside the libraries, headers
# and resources that platform/ and common/ install themselves, and the Debian
# package made of it (scripts/package.sh).

install(TARGETS weather-backup-restore RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR})
set(WEATHER_TOOLS devicectl backupctl weatherctl)
install(TARGETS ${WEATHER_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Installed programs carry no way to a build (see weather_build_top_of).
foreach(program ${CMAKE_INSTALL_LIBEXECDIR}/weather-backup-restore ${CMAKE_INSTALL_BINDIR}/devicectl
    ${CMAKE_INSTALL_BINDIR}/backupctl ${CMAKE_INSTALL_BINDIR}/weatherctl)
  install(CODE "
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section ${WEATHER_BUILD_TOP_SECTION}
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program}\" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR \"cannot remove the build's top from ${program}\")
    endif()")
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/tools/weatherctl/samples/sample-cities.json
  DESTINATION ${WEATHER_INSTALL_DATADIR}/samples)

# A manual page per tool, made from its --help.
set(WEATHER_MAN_devicectl "set up and inspect the host device: applications, keys, preferences, launches")
set(WEATHER_MAN_backupctl "back up and restore the weather settings through the backup/restore service")
set(WEATHER_MAN_weatherctl "import, list and show the weather cities of the device")
foreach(tool ${WEATHER_TOOLS})
  set(page ${CMAKE_BINARY_DIR}/man/${tool}.1.gz)
  add_custom_command(OUTPUT ${page}
    # No device at all: the page is the English --help, whatever device the
    # build's user has.
    COMMAND ${CMAKE_COMMAND} -E env WEATHER_DEVICE_ROOT=${CMAKE_BINARY_DIR}/man/no-device
            ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:${tool}> -DNAME=${tool} "-DSUMMARY=${WEATHER_MAN_${tool}}"
            -DVERSION=${PROJECT_VERSION} -DPACKAGE=${WEATHER_PACKAGE} -DOUTPUT=${page}
            -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${tool} ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    COMMENT "Manual page of ${tool}"
    VERBATIM)
  list(APPEND WEATHER_MAN_PAGES ${page})
endforeach()
add_custom_target(weather_man_pages ALL DEPENDS ${WEATHER_MAN_PAGES})
install(FILES ${WEATHER_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# pkg-config: paths relative to the .pc file, so a moved prefix still works.
file(RELATIVE_PATH WEATHER_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" WEATHER_PC_TO_PREFIX "${WEATHER_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/weather-common.pc.in ${CMAKE_BINARY_DIR}/weather-common.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/weather-common.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# CMake package: find_package(WeatherCommon CONFIG) gives WeatherCommon::WeatherCommon.
include(CMakePackageConfigHelpers)
set(WEATHER_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/WeatherCommon)
install(EXPORT WeatherCommonTargets NAMESPACE WeatherCommon:: DESTINATION ${WEATHER_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/WeatherCommonConfig.cmake.in
  ${CMAKE_BINARY_DIR}/WeatherCommonConfig.cmake INSTALL_DESTINATION ${WEATHER_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/WeatherCommonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/WeatherCommonConfig.cmake ${CMAKE_BINARY_DIR}/WeatherCommonConfigVersion.cmake
  DESTINATION ${WEATHER_CMAKE_DIR})

# The Debian package (scripts/package.sh configures with WEATHER_DEBIAN_PACKAGE
# and the prefix /usr). Depends come from dpkg-shlibdeps.
option(WEATHER_DEBIAN_PACKAGE "Install the Debian copyright and changelog files" OFF)
if(WEATHER_DEBIAN_PACKAGE)
  # A native package: the changelog is changelog.gz.
  set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${CMAKE_SOURCE_DIR}/cmake/debian/changelog ${changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/debian/changelog
    VERBATIM)
  add_custom_target(weather_debian_changelog ALL DEPENDS ${changelog})
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright ${changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${WEATHER_PACKAGE})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${WEATHER_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Weather developers <weather-dev@example.org>")
# Apache-2.0, the licence of the whole project (LICENSE, cmake/debian/copyright).
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_RPM_PACKAGE_LICENSE "Apache-2.0")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weather settings backup/restore service and weather data layer")
set(CPACK_PACKAGE_DESCRIPTION
  "The headless service that backs up and restores the weather settings of the
device through the cloud backup client, the shared weather data layer
(libweather-common) with the host platform layer under it
(libweather-device), their headers and pkg-config and CMake files, and the
devicectl, backupctl and weatherctl tools.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries, as dpkg-shlibdeps sees them in the package tree.
string(REGEX REPLACE "^/" "" WEATHER_PACKAGE_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${WEATHER_PACKAGE_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
