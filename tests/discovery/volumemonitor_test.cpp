#include "discovery/volumemonitor.h"

#include "discovery/carddiscovery.h"
#include "discovery/systemvolumesource.h"
#include "support/loopdevice.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

namespace slatewick {
namespace {

using testsupport::Ext4Card;
using testsupport::waitFor;

// The real source, with a hook that runs while the monitor describes a new volume.
class HookedSource final : public VolumeSource {
public:
    std::function<void()> onDescribe;

    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override { return m_real.mountedVolumes(); }
    DiskInfo diskInfo(const std::filesystem::path &mountPoint) const override
    {
        DiskInfo info = m_real.diskInfo(mountPoint);
        if (onDescribe)
            onDescribe();
        return info;
    }

private:
    SystemVolumeSource m_real;
};

class VolumeMonitorTest : public ::testing::Test {
protected:
    // A monitor watches the namespace it started in, so enter the test namespace first.
    void SetUp() override
    {
        for (const std::string &refusal : {testsupport::enterPrivateMountNamespace(), testsupport::loopDeviceRefusal()})
            if (!refusal.empty())
                GTEST_SKIP() << refusal;
    }

    std::unique_ptr<VolumeMonitor> startedMonitor()
    {
        auto monitor = std::make_unique<VolumeMonitor>(
            [this](const InsertedCard &card) { m_events.push_back("mount " + card.url.string()); },
            [this](const std::filesystem::path &mountPoint, const std::string &) { m_events.push_back("unmount " + mountPoint.string()); },
            std::make_shared<const CardDiscovery>(m_source));
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

    bool eventCount(std::size_t count) { return waitFor([&] { return m_events.size() >= count; }); }

    testsupport::TempDir m_folder;
    std::shared_ptr<HookedSource> m_source = std::make_shared<HookedSource>();
    std::vector<std::string> m_events;
};

// Both mounts (and later both unmounts) happen before the event loop runs again,
// so the monitor sees them in one wake-up.
TEST_F(VolumeMonitorTest, reportsEachMountAndUnmountAtItsMountPointAlsoWhenFoldedIntoOneWakeUp)
{
    const std::unique_ptr<VolumeMonitor> monitor = startedMonitor();
    const std::unique_ptr<Ext4Card> first = mounted("FIRST");
    const std::unique_ptr<Ext4Card> second = mounted("SECOND");
    const std::string a = first->mountPoint().string();
    const std::string b = second->mountPoint().string();

    ASSERT_TRUE(eventCount(2));
    EXPECT_EQ(m_events, (std::vector<std::string>{"mount " + a, "mount " + b}));
    first->unmount();
    second->unmount();
    ASSERT_TRUE(eventCount(4));
    EXPECT_EQ(m_events, (std::vector<std::string>{"mount " + a, "mount " + b, "unmount " + a, "unmount " + b}));
}

// The volume goes away while its mount callback is still queued.
TEST_F(VolumeMonitorTest, anImmediateUnmountArrivesAfterItsMount)
{
    const std::unique_ptr<VolumeMonitor> monitor = startedMonitor();
    std::unique_ptr<Ext4Card> volume;
    m_source->onDescribe = [&] { volume->unmount(); };
    volume = mounted("QUICK");

    ASSERT_TRUE(eventCount(2));
    const std::string mountPoint = volume->mountPoint().string();
    EXPECT_EQ(m_events, (std::vector<std::string>{"mount " + mountPoint, "unmount " + mountPoint}));
}

// The same card taken out and put back before the monitor looks again: the
// table reads as before, with the same device at the same place.
TEST_F(VolumeMonitorTest, aCardPutBackBeforeTheMonitorLooksIsStillAnUnmountAndAMount)
{
    const std::unique_ptr<Ext4Card> volume = mounted("AGAIN");
    struct statx info {};
    if (::statx(AT_FDCWD, volume->mountPoint().c_str(), 0, 0x4000U /* the never-reused mount id */, &info) != 0
        || !(info.stx_mask & 0x4000U))
        GTEST_SKIP() << "This kernel has no never-reused mount ids (Linux 6.8 and later have them)";
    const std::unique_ptr<VolumeMonitor> monitor = startedMonitor();
    ASSERT_EQ(volume->mount(volume->mountPoint()), "");

    ASSERT_TRUE(eventCount(2));
    const std::string mountPoint = volume->mountPoint().string();
    EXPECT_EQ(m_events, (std::vector<std::string>{"unmount " + mountPoint, "mount " + mountPoint}));
}

TEST_F(VolumeMonitorTest, aReleasedMonitorDeliversNothingEvenWhatItHadQueued)
{
    startedMonitor().reset();
    std::unique_ptr<VolumeMonitor> monitor = startedMonitor();
    bool released = false;
    // Queued while the monitor describes the volume, so it runs before the monitor's own callback.
    m_source->onDescribe = [&] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] {
            monitor.reset();
            released = true;
        }, Qt::QueuedConnection);
    };
    const std::unique_ptr<Ext4Card> volume = mounted("GONE");

    ASSERT_TRUE(waitFor([&] { return released; }));
    volume->unmount();
    // Everything queued before the single shot has run once it fires.
    bool reached = false;
    QTimer::singleShot(0, [&] { reached = true; });
    ASSERT_TRUE(waitFor([&] { return reached; }));
    EXPECT_TRUE(m_events.empty());
}

} // namespace
} // namespace slatewick
