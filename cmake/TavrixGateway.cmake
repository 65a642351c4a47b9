# tavrix_add_gateway(<Name> SOURCE <gateway.cpp> LIBS <subsystem libraries>)
#
# Builds one MEX function twice:
#  - build/octave/<Name>.mex with mkoctfile --mex, linked against the host layer
#    compiled with Octave's headers (when TAVRIX_OCTAVE is on);
#  - an object library tavrix_gateway_<Name> against our mx layer, whose entry
#    point is renamed <Name>_mexFunction so that the tests can link every
#    gateway into one program.
set(TAVRIX_OCTAVE_DIR ${PROJECT_BINARY_DIR}/octave)
set_property(GLOBAL PROPERTY TAVRIX_GATEWAYS "")

function(tavrix_add_gateway name)
  cmake_parse_arguments(GW "" "SOURCE" "LIBS" ${ARGN})
  get_filename_component(source ${GW_SOURCE} ABSOLUTE)

  add_library(tavrix_gateway_${name} OBJECT ${source})
  target_compile_definitions(tavrix_gateway_${name} PRIVATE mexFunction=${name}_mexFunction)
  target_link_libraries(tavrix_gateway_${name} PUBLIC tavrix_host_mxlite ${GW_LIBS} tavrix_flags)
  set_property(GLOBAL APPEND PROPERTY TAVRIX_GATEWAYS ${name})

  if(TAVRIX_OCTAVE)
    set(output ${TAVRIX_OCTAVE_DIR}/${name}.mex)
    set(libs "")
    foreach(lib tavrix_host_octave ${GW_LIBS} tavrix_core)
      list(APPEND libs $<TARGET_FILE:${lib}>)
    endforeach()
    string(JOIN " " cxxflags -O2 -std=c++17 -fPIC -Wall -Wextra -Werror ${TAVRIX_FP_FLAGS})
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRIX_OCTAVE_DIR}
      COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${cxxflags}"
              ${MKOCTFILE} --mex -o ${output} ${source} ${libs} -pthread
      DEPENDS ${source} tavrix_host_octave ${GW_LIBS} tavrix_core
      COMMENT "mkoctfile --mex ${name}"
      VERBATIM)
    add_custom_target(octave_${name} ALL DEPENDS ${output})
  endif()
endfunction()

# tavrix_add_help(<file.m>...): toolbox .m files, copied into build/octave.
function(tavrix_add_help)
  foreach(file ${ARGN})
    get_filename_component(path ${file} ABSOLUTE)
    get_filename_component(leaf ${file} NAME)
    configure_file(${path} ${TAVRIX_OCTAVE_DIR}/${leaf} COPYONLY)
  endforeach()
endfunction()
