# Files of app/rtf
list(APPEND QM_CORE_SOURCES
  rtf/rtftokenizer.h rtf/rtftokenizer.cpp
  rtf/helptext.h rtf/helptext.cpp
)
