# Files of app/fileio: writing users' files without ever losing them
list(APPEND QM_CORE_SOURCES
  fileio/savefile.h fileio/savefile.cpp
  fileio/textoutput.h fileio/textoutput.cpp
)
