# Files of app/workspace
list(APPEND QM_CORE_SOURCES
  workspace/filltemplate.h workspace/filltemplate.cpp
)
