# Files of app/ui
list(APPEND QM_UI_SOURCES
  ui/runwindow.h ui/runwindow.cpp
  ui/uiutil.h ui/commandguard.h
  ui/frmmain.ui ui/frmmain.h ui/frmmain.cpp
  ui/frmmain_project.cpp
  ui/frmmain_export.cpp
  ui/captions.h ui/captions.cpp
  ui/topicmodel.h ui/topicmodel.cpp
  ui/tabs/tabpage.h ui/tabs/tabpage.cpp ui/tabs/listutil.h
  ui/tabs/generalhelptab.ui ui/tabs/generalhelptab.h ui/tabs/generalhelptab.cpp
  ui/tabs/contentsfiletab.ui ui/tabs/contentsfiletab.h ui/tabs/contentsfiletab.cpp
  ui/tabs/applicationforms.h ui/tabs/applicationforms.cpp
  ui/tabs/tooltipstab.ui ui/tabs/tooltipstab.h ui/tabs/tooltipstab.cpp
  ui/tabs/whatsthistab.ui ui/tabs/whatsthistab.h ui/tabs/whatsthistab.cpp
  ui/tabs/createtab.ui ui/tabs/createtab.h ui/tabs/createtab.cpp
  ui/twips.h
  ui/frmtextedit.h ui/frmtextedit.cpp
  ui/helppreview.h ui/helppreview.cpp
  ui/frmprogress.h ui/frmprogress.cpp
  ui/createrun.h ui/createrun.cpp ui/createreportdialog.h ui/createreportdialog.cpp
  ui/frmwindowsize.h ui/frmwindowsize.cpp
)
# Marks of controls that cannot take a tool tip or help ID
list(APPEND QM_UI_SOURCES ui/controlnotes.h ui/controlnotes.cpp)
# Notes on the room left in text boxes with a limit
list(APPEND QM_UI_SOURCES ui/roomleft.h ui/roomleft.cpp)
# Toolbar wrapper and desktop services of the main window
list(APPEND QM_UI_SOURCES ui/transtbwrapper.h ui/transtbwrapper.cpp ui/desktop.h ui/desktop.cpp)
# The window's own pictures, drawn from the SVG files in the resources
list(APPEND QM_UI_SOURCES ui/icons.h ui/icons.cpp)
# The contents tree with its node drag and drop
list(APPEND QM_UI_SOURCES ui/contentstree.h ui/contentstree.cpp)
# What's This texts of the windows' controls
list(APPEND QM_UI_SOURCES ui/whatsthistexts.h ui/whatsthistexts.cpp)
