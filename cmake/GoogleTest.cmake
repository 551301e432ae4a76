# GoogleTest and GoogleMock for the tests: the system's (Debian's
# libgtest-dev and libgmock-dev) where they are installed, otherwise built
# here from Debian's googletest sources (/usr/src/googletest), the way that
# package is meant to be used. The copy built here is only linked into the
# test programs: it is kept out of `cmake --install` and the Debian package.
#
# Sets UNV2TESSAL_GTEST to "system", "sources" or "" (none to be had) and,
# unless "", the targets GTest::gtest_main and GTest::gmock.

option(UNV2TESSAL_GTEST_FROM_SOURCES
       "Build GoogleTest from its sources even where the system has it" OFF)
set(UNV2TESSAL_GTEST_SOURCES /usr/src/googletest CACHE PATH
    "Folder of the GoogleTest sources (Debian package googletest)")

set(UNV2TESSAL_GTEST "")
if(NOT UNV2TESSAL_GTEST_FROM_SOURCES)
  find_package(GTest QUIET)
  if(GTest_FOUND AND TARGET GTest::gtest_main AND TARGET GTest::gmock)
    set(UNV2TESSAL_GTEST system)
  endif()
endif()

if(NOT UNV2TESSAL_GTEST AND EXISTS ${UNV2TESSAL_GTEST_SOURCES}/CMakeLists.txt)
  # googletest's own options, as cache entries so that its option() calls
  # keep them: no install rules, GoogleMock built too.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(INSTALL_GMOCK OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${UNV2TESSAL_GTEST_SOURCES}
                   ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # googletest 1.11 and later name them so themselves.
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  if(NOT TARGET GTest::gmock)
    add_library(GTest::gmock ALIAS gmock)
  endif()
  set(UNV2TESSAL_GTEST sources)
endif()
