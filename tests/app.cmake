# The main window, its frame and the connection and login flow, against the demo server.
terminal_test(TestMainWindow
  SOURCES TestMainWindow.cpp ModalAnswerer.cpp ModalAnswerer.h SilentWebSocketPeer.cpp SilentWebSocketPeer.h
          DemoServerProcess.cpp DemoServerProcess.h TemporaryProfile.cpp TemporaryProfile.h
  LIBS terminal_app terminal_resources
  LABELS threaded TIMEOUT 240)
