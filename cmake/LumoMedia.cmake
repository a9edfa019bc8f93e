# Test and catalogue media are generated with ffmpeg at build time, so the
# repository holds no binary media.
find_program(LUMO_FFMPEG ffmpeg REQUIRED)

# lumo_generate_media(<output file> ARGS <ffmpeg arguments before the output>)
# Adds a build rule that writes <output file> with
#   ffmpeg -hide_banner -loglevel error -y <ARGS> <output file>
# and returns nothing; depend on the file from a custom target.
function(lumo_generate_media output)
  cmake_parse_arguments(ARG "" "" "ARGS" ${ARGN})
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${LUMO_FFMPEG} -hide_banner -loglevel error -nostdin -y ${ARG_ARGS} ${output}
    COMMENT "Generating ${output}"
    VERBATIM)
endfunction()
