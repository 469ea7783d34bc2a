# Accounts: saved-account files, login dialog, About dialog and the embedded resources.
terminal_test(TestAccountFiles SOURCES TestAccountFiles.cpp TemporaryProfile.cpp TemporaryProfile.h
  LIBS terminal_accounts)
terminal_test(TestLoginDialog SOURCES TestLoginDialog.cpp TemporaryProfile.cpp TemporaryProfile.h
  LIBS terminal_accounts terminal_resources)
terminal_test(TestAboutDialog SOURCES TestAboutDialog.cpp LIBS terminal_support_ui terminal_resources)
terminal_test(TestResources SOURCES TestResources.cpp LIBS terminal_resources Qt5::Gui)
