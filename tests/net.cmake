# Trade session: records, connection and protocol.
terminal_test(TestRecords SOURCES TestRecords.cpp LIBS terminal_net)
terminal_test(TestTradeClient
  SOURCES TestTradeClient.cpp WebSocketTestPeer.cpp WebSocketTestPeer.h SilentWebSocketPeer.cpp SilentWebSocketPeer.h
  LIBS terminal_net Qt5::WebSockets
  LABELS threaded TIMEOUT 180 COST 25)
