#include "discovery/carddiscovery.h"

#include "discovery/fakevolumesource.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace slatewick {
namespace {

using testsupport::FakeVolumeSource;

VolumeFacts removable(const std::string &mountPoint, std::optional<std::string> name)
{
    return VolumeFacts{mountPoint, std::move(name), true, std::nullopt};
}

std::vector<std::string> names(const std::vector<InsertedCard> &cards)
{
    std::vector<std::string> result;
    for (const InsertedCard &card : cards)
        result.push_back(card.displayName);
    return result;
}

class CardDiscoveryTest : public ::testing::Test {
protected:
    std::vector<InsertedCard> cards() const { return CardDiscovery(m_source).removableCards(); }
    InsertedCard madeCard(const DiskInfo &info) const
    {
        m_source->disks["/media/ana/CARD"] = info;
        return CardDiscovery(m_source).make("/media/ana/CARD", "Card").value();
    }

    std::shared_ptr<FakeVolumeSource> m_source = std::make_shared<FakeVolumeSource>();
};

TEST_F(CardDiscoveryTest, keepsVolumesReportedRemovableOrEjectableOnly)
{
    m_source->volumes = std::vector<VolumeFacts>{
        {"/media/a", "Removable", true, false},   {"/media/b", "Ejectable", false, true},
        {"/media/c", "Neither", false, false},    {"/media/d", "Unreported", std::nullopt, std::nullopt},
        {"/media/e", "Both", true, true},
    };
    EXPECT_EQ(names(cards()), (std::vector<std::string>{"Both", "Ejectable", "Removable"}));
}

TEST_F(CardDiscoveryTest, namesVolumesWithoutANameAfterTheirMountPoint)
{
    m_source->volumes = std::vector<VolumeFacts>{removable("/media/ana/NO NAME", std::nullopt),
                                                 removable("/media/ana/blank", "")};
    EXPECT_EQ(names(cards()), (std::vector<std::string>{"", "NO NAME"}));
}

TEST_F(CardDiscoveryTest, sortsNumbersByValueIgnoringCaseAndKeepsIdenticalNamesInTableOrder)
{
    m_source->volumes = std::vector<VolumeFacts>{removable("/m/1", "Card 10"), removable("/m/2", "card 2"),
                                                 removable("/m/3", "Card 1"), removable("/m/4", "Card 2"),
                                                 removable("/m/5", "Card 1")};
    const std::vector<InsertedCard> listed = cards();
    ASSERT_EQ(listed.size(), 5u);
    EXPECT_EQ(names(listed), (std::vector<std::string>{"Card 1", "Card 1", "card 2", "Card 2", "Card 10"}));
    EXPECT_EQ(listed[0].url, "/m/3");
    EXPECT_EQ(listed[1].url, "/m/5");
}

// Qt ignores numeric collation under the C locale, which servers and CI often run with.
TEST_F(CardDiscoveryTest, sortsNumbersByValueUnderTheCAndOtherLocales)
{
    m_source->volumes = std::vector<VolumeFacts>{removable("/m/1", "Card 10"), removable("/m/2", "card 2"),
                                                 removable("/m/3", "Card 1")};
    const QLocale previous;
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(names(cards()), (std::vector<std::string>{"Card 1", "card 2", "Card 10"})) << locale.name().toStdString();
    }
    QLocale::setDefault(previous);
}

TEST_F(CardDiscoveryTest, fallsBackToFixedTextsWithoutDiskInformation)
{
    const InsertedCard card = CardDiscovery(m_source).make("/media/ana/EOS_DIGITAL", std::nullopt).value();
    EXPECT_EQ(card.displayName, "EOS_DIGITAL");
    EXPECT_EQ(card.deviceIdentifier, "EOS_DIGITAL");
    EXPECT_EQ(card.vendor, "Unknown vendor");
    EXPECT_EQ(card.model, "Unknown reader");
    EXPECT_EQ(card.protocolName, "Unknown");
    EXPECT_EQ(card.fingerprint, "Unknown vendor|Unknown reader|Unknown");
}

TEST_F(CardDiscoveryTest, readsTheDescriptionWithEmptyAndNonTextValuesCountingAsMissing)
{
    const InsertedCard card = madeCard({{"DeviceIdentifier", std::string("sdc1")},
                                        {"DeviceVendor", std::int64_t{42}},
                                        {"DeviceModel", std::string("")},
                                        {"BusProtocol", std::string("")},
                                        {"DeviceProtocol", std::string("scsi")},
                                        {"DeviceLocation", std::string("")},
                                        {"DevicePath", std::string("/devices/pci0000:00/usb1/1-1/scsi-0:0:1")}});
    EXPECT_EQ(card.deviceIdentifier, "sdc1");
    EXPECT_EQ(card.vendor, "Unknown vendor");
    EXPECT_EQ(card.model, "Unknown reader");
    EXPECT_EQ(card.protocolName, "scsi");
    EXPECT_EQ(card.fingerprint, "/devices/pci0000:00/usb1/1-1/scsi-0:0:1");
}

TEST_F(CardDiscoveryTest, prefersTheLocationAndTheBusProtocol)
{
    const InsertedCard card = madeCard({{"DeviceVendor", std::string("Lexar")},
                                        {"DeviceModel", std::string("RW500")},
                                        {"BusProtocol", std::string("usb")},
                                        {"DeviceProtocol", std::string("scsi")},
                                        {"DeviceLocation", std::string("pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:1")},
                                        {"DevicePath", std::string("/devices/x")}});
    EXPECT_EQ(card.protocolName, "usb");
    EXPECT_EQ(card.fingerprint, "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:1");
    EXPECT_EQ(card.displayName, "Card");
}

TEST_F(CardDiscoveryTest, buildsTheFingerprintFromVendorModelAndProtocolWithoutALocation)
{
    const InsertedCard card = madeCard({{"DeviceVendor", std::string("Lexar")}, {"DeviceModel", true}});
    EXPECT_EQ(card.fingerprint, "Lexar|Unknown reader|Unknown");
}

class ThrowingSource final : public VolumeSource {
public:
    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override { throw std::runtime_error("no table"); }
    DiskInfo diskInfo(const std::filesystem::path &) const override { throw std::runtime_error("no device"); }
};

TEST(CardDiscoveryFailures, aFailingSourceGivesNoCardsAndFallBackDescriptions)
{
    const CardDiscovery discovery(std::make_shared<ThrowingSource>());
    EXPECT_TRUE(discovery.removableCards().empty());
    EXPECT_EQ(discovery.make("/media/x", std::nullopt)->fingerprint, "Unknown vendor|Unknown reader|Unknown");
}

} // namespace
} // namespace slatewick
