# One place for the settings every target shares: language level, warnings, Qt safety defines.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

add_library(varnotile_build_settings INTERFACE)
target_compile_options(varnotile_build_settings INTERFACE -Wall -Wextra)
target_compile_definitions(varnotile_build_settings INTERFACE
  QT_NO_CAST_TO_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_URL_CAST_FROM_STRING)

set(VARNOTILE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")
if(VARNOTILE_SANITIZE)
  target_compile_options(varnotile_build_settings INTERFACE
    -fsanitize=${VARNOTILE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(varnotile_build_settings INTERFACE -fsanitize=${VARNOTILE_SANITIZE})
endif()
