# The Qt-free core: one static library per subsystem folder of src/ (the *.cpp
# files directly in it; ui/ subfolders are the GUI's), gathered into the
# interface target pictavo_core. Tests and tools link pictavo_core or a
# single subsystem library.
function(pictavo_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/ui/")
  if(srcs)
    add_library(pictavo_${name} STATIC ${srcs})
    target_include_directories(pictavo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(pictavo_${name} PUBLIC pictavo_options ${ARG_DEPS}
                          PRIVATE pictavo_warnings)
  else()
    add_library(pictavo_${name} INTERFACE)
    target_include_directories(pictavo_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(pictavo_${name} INTERFACE pictavo_options ${ARG_DEPS})
  endif()
endfunction()

pictavo_subsystem(platform DEPS fmt::fmt Threads::Threads)
pictavo_subsystem(pictures DEPS pictavo_platform)
pictavo_subsystem(imaging DEPS pictavo_pictures pictavo_platform
  JPEG::JPEG PNG::PNG ZLIB::ZLIB PkgConfig::TURBOJPEG PkgConfig::OPENJPEG
  PkgConfig::TIFF PkgConfig::EXIF)
pictavo_subsystem(settings DEPS pictavo_platform)
pictavo_subsystem(template DEPS pictavo_imaging pictavo_pictures pictavo_settings pictavo_platform)
pictavo_subsystem(build DEPS pictavo_template pictavo_imaging pictavo_pictures pictavo_settings)
pictavo_subsystem(publish DEPS pictavo_build pictavo_settings pictavo_platform)
pictavo_subsystem(app DEPS pictavo_publish pictavo_build pictavo_template pictavo_settings)

add_library(pictavo_core INTERFACE)
target_link_libraries(pictavo_core INTERFACE pictavo_app pictavo_publish pictavo_build
  pictavo_template pictavo_settings pictavo_imaging pictavo_pictures pictavo_platform)

# Run from the build tree, the program folder is the repository's data folder.
target_compile_definitions(pictavo_settings PRIVATE PICTAVO_SOURCE_DATA_DIR="${PROJECT_SOURCE_DIR}/data")
