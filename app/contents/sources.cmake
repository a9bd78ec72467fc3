# Files of app/contents
list(APPEND QM_CORE_SOURCES
  contents/contentsrules.h contents/contentsrules.cpp
  contents/contentstable.h contents/contentstable.cpp
  contents/contentsfilewriter.h contents/contentsfilewriter.cpp
)
