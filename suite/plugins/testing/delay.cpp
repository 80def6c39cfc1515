#include "delay.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace testing_plugin {

using namespace KORA;

void Delay::GetPluginSetup(CValueMap& setup)
{
    DescribeNode(setup, kEntryName);
    setup.SetEntry("parameters/ms", new CValueLong(100));
    // false plays a node that never looks at stop requests.
    setup.SetEntry("parameters/poll", new CValueBool(true));
}

void Delay::Run()
{
    using Clock = std::chrono::steady_clock;
    // A stop request must be seen within a few milliseconds, however long the delay.
    constexpr auto kPoll = std::chrono::milliseconds(5);
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(0, Parameters().EntryLong("ms", 100)));
    const bool poll = Parameters().EntryBool("poll", true);
    while (true) {
        if (poll && !MayContinue())
            return;
        const auto now = Clock::now();
        if (now >= end)
            break;
        std::this_thread::sleep_for(std::min<Clock::duration>(kPoll, end - now));
    }
    SetOutput(0, Forward());
}

} // namespace testing_plugin
