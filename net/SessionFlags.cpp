#include "net/SessionFlags.h"

#include <atomic>

namespace {
std::atomic<bool> g_accountDisabled{false};
std::atomic<bool> g_investor{false};
} // namespace

namespace SessionFlags {

bool accountDisabled()
{
    return g_accountDisabled.load();
}
void setAccountDisabled(bool disabled)
{
    g_accountDisabled.store(disabled);
}
bool investor()
{
    return g_investor.load();
}
void setInvestor(bool investor)
{
    g_investor.store(investor);
}

} // namespace SessionFlags
