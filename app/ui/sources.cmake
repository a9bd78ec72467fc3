# Files of app/ui
list(APPEND QM_UI_SOURCES
  ui/runwindow.h ui/runwindow.cpp
)
