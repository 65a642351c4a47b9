# tavrix_add_gateway(<Name>): one MEX function of mex_functions.txt, built
#  - on Linux, as build/octave/<Name>.mex with mkoctfile --mex against the host
#    layer compiled with Octave's headers (when TAVRIX_OCTAVE is on), and as an
#    object library tavrix_gateway_<Name> against our mx layer, whose entry
#    point is renamed <Name>_mexFunction so that the unit tests and the Windows
#    comparison's native runner can link every gateway into one program;
#  - on Windows, as <Name>.mexw64 or <Name>.mexw32, exporting mexFunction only,
#    importing libmx.dll and libmex.dll, with the GCC runtime linked in.
set(TAVRIX_OCTAVE_DIR ${PROJECT_BINARY_DIR}/octave)

function(tavrix_add_gateway name)
  set(folder ${TAVRIX_MEX_FOLDER_${name}})
  set(source ${PROJECT_SOURCE_DIR}/${folder}/${name}.cpp)
  set(code tavrix_${folder})

  if(WIN32)
    add_library(${name} MODULE ${source} ${PROJECT_SOURCE_DIR}/cmake/windows/mexfunction.def)
    target_link_libraries(${name} PRIVATE tavrix_host_mxlite ${code} tavrix_flags)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX .mexw64)
    else()
      set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX .mexw32)
    endif()
    target_link_options(${name} PRIVATE -s)  # no symbol tables in the shipped files
    return()
  endif()

  add_library(tavrix_gateway_${name} OBJECT ${source})
  target_compile_definitions(tavrix_gateway_${name} PRIVATE mexFunction=${name}_mexFunction)
  target_link_libraries(tavrix_gateway_${name} PUBLIC tavrix_host_mxlite ${code} tavrix_flags)
  configure_file(${PROJECT_SOURCE_DIR}/${folder}/${name}.m ${TAVRIX_OCTAVE_DIR}/${name}.m COPYONLY)

  if(TAVRIX_OCTAVE)
    set(output ${TAVRIX_OCTAVE_DIR}/${name}.mex)
    # Static libraries in link order; a folder of gateways only has none.
    set(used tavrix_host_octave)
    foreach(code_folder ${folder} ${TAVRIX_MEX_USES_${name}})
      if(tavrix_${code_folder} IN_LIST TAVRIX_CODE_LIBRARIES)
        list(APPEND used tavrix_${code_folder})
      endif()
    endforeach()
    list(APPEND used tavrix_core)
    list(TRANSFORM used REPLACE "(.+)" "$<TARGET_FILE:\\1>" OUTPUT_VARIABLE libs)
    string(JOIN " " cxxflags -O2 -std=c++17 -fPIC -Wall -Wextra -Werror ${TAVRIX_FP_FLAGS})
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVRIX_OCTAVE_DIR}
      COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${cxxflags}"
              ${MKOCTFILE} --mex -o ${output} ${source} ${libs} -pthread
      DEPENDS ${source} ${used}
      COMMENT "mkoctfile --mex ${name}"
      VERBATIM)
    add_custom_target(octave_${name} ALL DEPENDS ${output})
  endif()
endfunction()
