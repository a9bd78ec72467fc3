# Files of app/appproject
list(APPEND QM_CORE_SOURCES
  appproject/qmtcodemod.h appproject/qmtcodemod.cpp
  appproject/projectreader.h appproject/projectreader.cpp
  appproject/controltypes.h appproject/controltypes.cpp
  appproject/formwriters.h appproject/formwriters.cpp
)
