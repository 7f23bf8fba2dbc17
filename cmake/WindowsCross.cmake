# What the Windows build (mingw-w64, see mingw-w64.cmake) takes from this Debian machine:
# the header-only CLI11 and nlohmann/json, seen through a folder of their own so that
# none of Debian's other headers reaches the Windows compiler, and GoogleTest compiled
# from Debian's source package into the build tree.
set(ZORT_WINDOWS_HEADERS ${CMAKE_BINARY_DIR}/windows-headers)
file(MAKE_DIRECTORY ${ZORT_WINDOWS_HEADERS})
foreach(dir CLI nlohmann)
  file(CREATE_LINK /usr/include/${dir} ${ZORT_WINDOWS_HEADERS}/${dir} SYMBOLIC)
endforeach()

foreach(package CLI11 nlohmann_json)
  set(config_dir ${CMAKE_BINARY_DIR}/windows-packages/${package})
  file(WRITE ${config_dir}/${package}Config.cmake
       "if(NOT TARGET ${package}::${package})\n"
       "  add_library(${package}::${package} INTERFACE IMPORTED)\n"
       "  set_target_properties(${package}::${package} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ZORT_WINDOWS_HEADERS})\n"
       "endif()\n")
  set(${package}_DIR ${config_dir} CACHE PATH "" FORCE)
endforeach()

set(ZORT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian package googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Its own CMake files name the targets GTest::gtest_main, GTest::gmock and so on, as
# Debian's installed package does for the Linux build.
add_subdirectory(${ZORT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
