# Files of app/generation
list(APPEND QM_CORE_SOURCES
  workspace/createsettings.h
  generation/createrules.h generation/createrules.cpp
  generation/generalhelp.h generation/generalhelp.cpp
  generation/helpfonts.h generation/helpfonts.cpp
  generation/helpwindow.h generation/helpwindow.cpp
  generation/htmlpages.h generation/htmlpages.cpp
  generation/htmlhelp.h generation/htmlhelp.cpp
  generation/htmlhelpcompile.h generation/htmlhelpcompile.cpp
  generation/compilation.h generation/compilation.cpp
  generation/createreport.h generation/createreport.cpp generation/createchecks.h generation/createchecks.cpp
  generation/createguard.h generation/createguard.cpp
  generation/createcommand.h generation/createcommand.cpp generation/createsteps.cpp
  generation/createbatch.h generation/createbatch.cpp
)
