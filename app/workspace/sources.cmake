# Files of app/workspace
list(APPEND QM_CORE_SOURCES
  workspace/session.h
  workspace/filltemplate.h workspace/filltemplate.cpp
  workspace/batch.h workspace/batch.cpp
)
# Recent-files list
list(APPEND QM_CORE_SOURCES workspace/recentfiles.h workspace/recentfiles.cpp)
