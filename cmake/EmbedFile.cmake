# orv_embed_file(<target> <input> <symbol>): compiles the bytes of <input>
# into <target> as `extern const unsigned char <symbol>[]` followed by a NUL,
# with `extern const unsigned long <symbol>_size` (without the NUL).
function(orv_embed_file target input symbol)
  get_filename_component(abs_input "${input}" ABSOLUTE)
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${abs_input} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFileScript.cmake"
    DEPENDS "${abs_input}" "${PROJECT_SOURCE_DIR}/cmake/EmbedFileScript.cmake"
    COMMENT "Embedding ${input}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
