# tavrix-train, the command-line trainer over MPI, built when Open MPI and
# matio are found (Debian: libopenmpi-dev, libmatio-dev); skipped otherwise.
find_package(MPI QUIET COMPONENTS CXX)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(MATIO QUIET IMPORTED_TARGET matio)
endif()
if(NOT MPI_CXX_FOUND OR NOT MATIO_FOUND)
  message(STATUS "tavrix-train: not built (needs MPI and matio)")
  return()
endif()

file(GLOB cli_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cli/*.cpp ${PROJECT_SOURCE_DIR}/host/matio/*.cpp)
add_executable(tavrix-train ${cli_sources})
target_link_libraries(tavrix-train PRIVATE tavrix_host_mxlite tavrix_batch MPI::MPI_CXX PkgConfig::MATIO tavrix_flags)
