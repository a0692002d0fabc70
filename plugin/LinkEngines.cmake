# Debian's WinBoard engines, each under its display name: "name|program|helper"
# ("-" for no helper). The first is the default engine (string 7 of the
# plug-in). Stockfish speaks only UCI and plays through polyglot, which reads
# polyglot.ini from its working directory.
set(PELLOMAR_DEBIAN_ENGINES
    "Phalanx|/usr/games/phalanx|-"
    "Fairy-Max|/usr/games/fairymax|-"
    "GNU Chess|/usr/games/gnuchess|-"
    "Sjeng|/usr/games/sjeng|-"
    "HoiChess|/usr/games/hoichess|-"
    "Fairy-Stockfish|/usr/games/fairy-stockfish|-"
    "Stockfish|/usr/games/polyglot|/usr/games/stockfish")

# Links each installed engine into engines_dir/<name>/; engines that are not
# installed are left out, unless ALL is given: then every engine is linked,
# and the plug-in passes over a link whose engine is missing until the engine
# is installed (so does an installed package).
function(pellomar_link_engines engines_dir)
  set(all FALSE)
  if(ARGV1 STREQUAL "ALL")
    set(all TRUE)
  endif()
  foreach(entry IN LISTS PELLOMAR_DEBIAN_ENGINES)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 name)
    list(GET fields 1 program)
    list(GET fields 2 helper)
    if(NOT all AND (NOT EXISTS "${program}" OR (NOT helper STREQUAL "-" AND NOT EXISTS "${helper}")))
      continue()
    endif()
    get_filename_component(program_name "${program}" NAME)
    file(MAKE_DIRECTORY "${engines_dir}/${name}")
    file(CREATE_LINK "${program}" "${engines_dir}/${name}/${program_name}" SYMBOLIC)
    if(NOT helper STREQUAL "-")
      file(WRITE "${engines_dir}/${name}/polyglot.ini" "[PolyGlot]\nEngineCommand = ${helper}\n")
    endif()
  endforeach()
endfunction()
