# Broker directory, server suspension, latency probe and the account-service dialogs.
add_library(directory_test_support STATIC
  HttpTestPeer.cpp HttpTestPeer.h ModalBoxCatcher.cpp ModalBoxCatcher.h
  WebSocketTestPeer.cpp WebSocketTestPeer.h)
target_link_libraries(directory_test_support PUBLIC terminal_options Qt5::Widgets Qt5::Network Qt5::WebSockets)

terminal_test(TestBrokerDirectoryRules SOURCES TestBrokerDirectoryRules.cpp LIBS terminal_app)
terminal_test(TestLatencyProbe SOURCES TestLatencyProbe.cpp LIBS terminal_app directory_test_support)
terminal_test(TestAccountDialogs SOURCES TestAccountDialogs.cpp
  LIBS terminal_accounts directory_test_support
  LABELS threaded TIMEOUT 180 COST 25)
terminal_test(TestDirectoryWindow SOURCES TestDirectoryWindow.cpp TemporaryProfile.cpp TemporaryProfile.h
  LIBS terminal_app terminal_resources directory_test_support
  LABELS threaded TIMEOUT 300 COST 100)
if(TARGET demo-server)
  terminal_test(TestDirectoryDemoServer SOURCES TestDirectoryDemoServer.cpp TemporaryProfile.cpp TemporaryProfile.h
    LIBS terminal_app terminal_resources directory_test_support demo_server_test_support
    LABELS threaded TIMEOUT 300)
  if(TERMINAL_TSAN)
    # The terminal's side is what is checked here; the server is only the peer and is
    # watched by its own tests (tests/server.cmake).
    set_property(TEST TestDirectoryDemoServer APPEND PROPERTY ENVIRONMENT "DEMO_SERVER_TSAN_OPTIONS=report_bugs=0")
  endif()
endif()
