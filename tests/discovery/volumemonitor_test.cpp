#include "discovery/volumemonitor.h"

#include "support/loopdevice.h"
#include "support/skipunless.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

namespace slatewick {
namespace {

using testsupport::Ext4Card;
using testsupport::waitFor;
using Events = std::vector<std::string>;

class VolumeMonitorTest : public ::testing::Test {
protected:
    // A monitor watches the namespace it started in, so enter the test namespace first.
    void SetUp() override
    {
        SLATEWICK_SKIP_UNLESS_ALLOWED(testsupport::enterPrivateMountNamespace(), testsupport::loopDeviceRefusal());
    }

    // Events name the mount point's last part, which is the card's label.
    std::unique_ptr<VolumeMonitor> startedMonitor()
    {
        auto monitor = std::make_unique<VolumeMonitor>(
            [this](const MountEntry &entry) { m_events.push_back("mount " + entry.mountPoint.filename().string()); },
            [this](const std::filesystem::path &mountPoint, const std::string &) {
                m_events.push_back("unmount " + mountPoint.filename().string());
            });
        // Runs before the mounts and unmounts of the change it reports.
        monitor->setTableChangedHandler([this](const std::vector<MountEntry> &) {
            if (m_onTable)
                m_onTable();
        });
        monitor->start();
        return monitor;
    }

    std::unique_ptr<Ext4Card> mounted(const std::string &name)
    {
        auto volume = std::make_unique<Ext4Card>(m_folder / (name + ".img"), name, 4 << 20);
        EXPECT_EQ(volume->error(), "");
        EXPECT_EQ(volume->mount(m_folder / name), "");
        return volume;
    }

    // The events since the last call, once there are this many.
    Events nextEvents(std::size_t count)
    {
        waitFor([&] { return m_events.size() >= count; });
        return std::exchange(m_events, {});
    }

    testsupport::TempDir m_folder;
    std::function<void()> m_onTable;
    Events m_events;
};

TEST_F(VolumeMonitorTest, reportsEachMountAndUnmountInOrderAlsoWhenFoldedIntoOneWakeUpOrWhenACardIsPutBackAtOnce)
{
    const std::unique_ptr<VolumeMonitor> monitor = startedMonitor();
    // Both mounts (and later both unmounts) happen before the event loop runs again,
    // so the monitor sees them in one wake-up.
    const std::unique_ptr<Ext4Card> first = mounted("FIRST");
    const std::unique_ptr<Ext4Card> second = mounted("SECOND");
    EXPECT_EQ(nextEvents(2), (Events{"mount FIRST", "mount SECOND"}));
    first->unmount();
    second->unmount();
    EXPECT_EQ(nextEvents(2), (Events{"unmount FIRST", "unmount SECOND"}));

    // The volume goes away while its mount callback is still queued.
    std::unique_ptr<Ext4Card> quick;
    m_onTable = [&] { quick->unmount(); };
    quick = mounted("QUICK");
    EXPECT_EQ(nextEvents(2), (Events{"mount QUICK", "unmount QUICK"}));
    m_onTable = nullptr;

    // The same card taken out and put back before the monitor looks again: the
    // table reads as before, with the same device at the same place.
    ASSERT_EQ(first->mount(first->mountPoint()), "");
    EXPECT_EQ(nextEvents(1), Events{"mount FIRST"});
    struct statx info {};
    if (::statx(AT_FDCWD, first->mountPoint().c_str(), 0, 0x4000U /* the never-reused mount id */, &info) != 0
        || !(info.stx_mask & 0x4000U))
        GTEST_SKIP() << "This kernel has no never-reused mount ids (Linux 6.8 and later have them)";
    ASSERT_EQ(first->mount(first->mountPoint()), "");
    EXPECT_EQ(nextEvents(2), (Events{"unmount FIRST", "mount FIRST"}));
}

} // namespace
} // namespace slatewick
