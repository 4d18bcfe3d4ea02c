# build-win/dist/: velmora-rubi.exe, the IPAdic dictionary it reads from the "ipadic"
# folder beside itself, and the kanji dictionary "kanjidic" beside it. The programs of the
# build folder (tests) get the same files.
set(_dic_files char.bin dicrc matrix.bin sys.dic unk.dic)
set(_dist ${CMAKE_BINARY_DIR}/dist)
set(VELMORA_KANJIDIC "/usr/share/edict/kanjidic" CACHE FILEPATH "KANJIDIC (Debian package kanjidic)")
set(_copies)
foreach(dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${_dist})
  add_custom_command(OUTPUT ${dir}/kanjidic
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VELMORA_KANJIDIC} ${dir}/kanjidic
    DEPENDS ${VELMORA_KANJIDIC} VERBATIM)
  list(APPEND _copies ${dir}/kanjidic)
endforeach()
foreach(dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ipadic ${_dist}/ipadic)
  foreach(f ${_dic_files})
    add_custom_command(OUTPUT ${dir}/${f}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VELMORA_MECAB_DIC}/${f} ${dir}/${f}
      DEPENDS ${VELMORA_MECAB_DIC}/${f} VERBATIM)
    list(APPEND _copies ${dir}/${f})
  endforeach()
endforeach()
add_custom_target(velmora-dictionary ALL DEPENDS ${_copies})
add_custom_target(velmora-dist ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:velmora-rubi> ${_dist}/velmora-rubi.exe
  DEPENDS velmora-rubi velmora-dictionary VERBATIM)
