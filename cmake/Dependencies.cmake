# Every dependency comes from a Debian package; the ones without a CMake
# config (Newmat, Qwt) are wrapped in imported targets here.

find_package(spdlog REQUIRED)

# Newmat: include as <newmat/newmat.h>; /usr/include/newmat itself would
# expose generic header names such as config.h.
find_path(NEWMAT_INCLUDE_DIR newmat/newmat.h REQUIRED)
find_library(NEWMAT_LIBRARY NAMES newmat REQUIRED)
add_library(Newmat::newmat UNKNOWN IMPORTED)
set_target_properties(Newmat::newmat PROPERTIES
  IMPORTED_LOCATION "${NEWMAT_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${NEWMAT_INCLUDE_DIR}")

if(KELVARA_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()

if(NOT KELVARA_ENGINE_ONLY)
  find_package(Qt5 5.15 REQUIRED COMPONENTS Core Gui Widgets Concurrent Test)

  find_path(QWT_INCLUDE_DIR qwt_plot.h PATH_SUFFIXES qwt-qt5 qwt REQUIRED)
  find_library(QWT_LIBRARY NAMES qwt-qt5 REQUIRED)
  add_library(Qwt::qwt UNKNOWN IMPORTED)
  set_target_properties(Qwt::qwt PROPERTIES
    IMPORTED_LOCATION "${QWT_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${QWT_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "Qt5::Widgets")
endif()

if(KELVARA_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
