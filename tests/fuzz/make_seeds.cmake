# Turns every golden session folder into one fuzz case:
#   Quillomate.DEF, "=====", design.dat, "=====", input.txt
# A session without a design file gets an empty design part (no design.dat).
# Usage: cmake -DSESSIONS=<tests/sessions> -DOUT=<folder> -P make_seeds.cmake

file(MAKE_DIRECTORY ${OUT})
file(GLOB sessions LIST_DIRECTORIES true ${SESSIONS}/*)
foreach(dir ${sessions})
  if(NOT EXISTS ${dir}/input.txt)
    continue()
  endif()
  get_filename_component(name ${dir} NAME)
  set(parts "")
  foreach(part Quillomate.DEF design.dat)
    set(text "")
    if(EXISTS ${dir}/${part})
      file(READ ${dir}/${part} text)
      if(NOT text MATCHES "\n$")
        string(APPEND text "\n")
      endif()
    endif()
    string(APPEND parts "${text}=====\n")
  endforeach()
  file(READ ${dir}/input.txt typed)
  set(seed "${parts}${typed}")
  # Rewrite only when changed, so the corpus folder's dates mean something.
  set(old "")
  if(EXISTS ${OUT}/${name})
    file(READ ${OUT}/${name} old)
  endif()
  if(NOT old STREQUAL seed)
    file(WRITE ${OUT}/${name} "${seed}")
  endif()
endforeach()
