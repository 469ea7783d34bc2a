# Demo broker server: protocol tests that run build/server/demo-server as a child process and
# talk to it with plain Qt clients (none of the terminal's classes).
add_library(demo_server_test_support STATIC
  DemoServerProcess.cpp DemoServerClient.cpp DemoServerHttp.cpp DemoServerControl.cpp
  DemoServerProcess.h DemoServerClient.h DemoServerHttp.h DemoServerControl.h)
target_link_libraries(demo_server_test_support PUBLIC terminal_options Qt5::Test Qt5::Network Qt5::WebSockets)
if(TARGET demo-server)
  target_compile_definitions(demo_server_test_support PRIVATE DEMO_SERVER_PATH="$<TARGET_FILE:demo-server>")
endif()

foreach(name Startup Session History Directory Trading TradeHistory Accounts Control Restart)
  terminal_test(TestDemoServer${name}
    SOURCES TestDemoServer${name}.cpp
    LIBS demo_server_test_support
    LABELS threaded
    TIMEOUT 240)
endforeach()

if(TERMINAL_TSAN)
  # Under ThreadSanitizer the server is what is checked: it runs the HTTP threads and the hand-over
  # to its main thread. The test programs run no threads of their own, and Qt's internal ones
  # (network bearer, D-Bus) report races inside the uninstrumented Qt, so they report nothing.
  # A race in the server fails the test: it ends the server with exit code 66 instead of 0.
  foreach(name Startup Session History Directory Trading TradeHistory Accounts Control Restart)
    set_property(TEST TestDemoServer${name} APPEND PROPERTY ENVIRONMENT
      "TSAN_OPTIONS=report_bugs=0"
      "DEMO_SERVER_TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1")
  endforeach()
endif()
