# The program file's version data (resources/version): a VERSIONINFO resource on Windows,
# the same block compiled in as data elsewhere, where the About box finds it in the file.
if(WIN32)
  enable_language(RC)
endif()

function(vistrel_version_data target)
  set(dir ${PROJECT_SOURCE_DIR}/resources/version)
  if(WIN32)
    target_sources(${target} PRIVATE ${dir}/Version.rc)
  else()
    target_sources(${target} PRIVATE ${dir}/VersionData.cpp)
    target_include_directories(${target} PRIVATE ${dir})
  endif()
endfunction()
