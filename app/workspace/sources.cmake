# Files of app/workspace
list(APPEND QM_CORE_SOURCES
  workspace/session.h workspace/createsettings.h
  workspace/filltemplate.h workspace/filltemplate.cpp
  workspace/transaction.h
  workspace/checkforok.h workspace/checkforok.cpp
  workspace/mapnumbers.h workspace/mapnumbers.cpp
  workspace/options.h workspace/options.cpp
  workspace/records.h workspace/records.cpp
  workspace/textrules.h workspace/textrules.cpp
)
# Recent-files list
list(APPEND QM_CORE_SOURCES workspace/recentfiles.h workspace/recentfiles.cpp)
