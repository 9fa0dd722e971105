# Warnings for the project's own targets; errors in CI (VISTREL_WERROR).
function(vistrel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${VISTREL_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wno-missing-field-initializers
      $<$<BOOL:${VISTREL_WERROR}>:-Werror>)
  endif()
endfunction()
