# Files of app/export: the project as web help and as a printed manual
list(APPEND QM_CORE_SOURCES
  export/helpbook.h export/helpbook.cpp
  export/webhelp.h export/webhelp.cpp
)
# The printed manual lays its pages out with Qt Gui's text document
list(APPEND QM_UI_SOURCES
  export/printbook.h export/printbook.cpp
)
