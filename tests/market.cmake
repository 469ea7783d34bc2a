# Market watch: its cell rules, the symbol dialogs, and the panel in the real main window.
terminal_test(TestMarketWatchCells SOURCES TestMarketWatchCells.cpp LIBS terminal_app terminal_resources)
terminal_test(TestSymbolDialogs SOURCES TestSymbolDialogs.cpp LIBS terminal_support_ui)
terminal_test(TestMarketWatch
  SOURCES TestMarketWatch.cpp TemporaryProfile.cpp TemporaryProfile.h UiScript.cpp UiScript.h
  LIBS terminal_app terminal_resources)
terminal_test(TestMarketWatchLive
  SOURCES TestMarketWatchLive.cpp TemporaryProfile.cpp TemporaryProfile.h UiScript.cpp UiScript.h
    DemoServerProcess.cpp DemoServerProcess.h
  LIBS terminal_app terminal_resources
  LABELS threaded
  TIMEOUT 180)
