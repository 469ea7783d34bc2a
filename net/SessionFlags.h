#pragma once

// The two program-wide session flags. Written by the connection's login
// handling on its worker thread, read by panels and dialogs on the main
// thread after the login signal that follows the write.
namespace SessionFlags {

// The account or its group is disabled.
bool accountDisabled();
void setAccountDisabled(bool disabled);

// The session was opened with the read-only (investor) password.
bool investor();
void setInvestor(bool investor);

} // namespace SessionFlags
