# Files of app/ui
list(APPEND QM_UI_SOURCES
  ui/runwindow.h ui/runwindow.cpp
  ui/uiutil.h
  ui/frmmain.h ui/frmmain.cpp
  ui/frmmain_project.cpp
  ui/frmmain_records.cpp
  ui/frmmain_contents.cpp ui/contentsstate.h
  ui/frmmain_appproject.cpp ui/appprojectstate.h
  ui/frmmain_create.cpp
  ui/twips.h
  ui/frmtextedit.h ui/frmtextedit.cpp
  ui/frmprogress.h ui/frmprogress.cpp
)
# Toolbar wrapper and desktop services of the main window
list(APPEND QM_UI_SOURCES ui/transtbwrapper.h ui/transtbwrapper.cpp ui/desktop.h ui/desktop.cpp
  ui/commandguard.h)
# The window's own pictures, drawn from the SVG files in the resources
list(APPEND QM_UI_SOURCES ui/icons.h ui/icons.cpp)
# The contents tree with its node drag and drop
list(APPEND QM_UI_SOURCES ui/contentstree.h ui/contentstree.cpp)
