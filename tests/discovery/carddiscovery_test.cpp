#include "discovery/carddiscovery.h"

#include "support/fakevolumes.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <memory>

namespace slatewick {
namespace {

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

    std::shared_ptr<testsupport::FakeVolumes> m_source = std::make_shared<testsupport::FakeVolumes>();
};

TEST_F(CardDiscoveryTest, keepsVolumesReportedRemovableOrEjectableOnly)
{
    for (const VolumeFacts &facts : {VolumeFacts{"/media/a", "Removable", true, false},
                                     VolumeFacts{"/media/b", "Ejectable", false, true},
                                     VolumeFacts{"/media/c", "Neither", false, false},
                                     VolumeFacts{"/media/d", "Unreported", std::nullopt, std::nullopt}})
        m_source->add(facts);
    EXPECT_EQ(names(cards()), (std::vector<std::string>{"Ejectable", "Removable"}));
}

// Qt ignores numeric collation under the C locale, which servers and CI often run with
// (the C-locale CTest entry runs the sorts* tests once more under LC_ALL=C).
TEST_F(CardDiscoveryTest, sortsNumbersByValueIgnoringCaseInAnyLocaleAndKeepsIdenticalNamesInTableOrder)
{
    for (const VolumeFacts &facts : {VolumeFacts{"/m/1", "Card 10", true, {}}, VolumeFacts{"/m/2", "card 2", true, {}},
                                     VolumeFacts{"/m/3", "Card 1", true, {}}, VolumeFacts{"/m/4", "Card 1", true, {}}})
        m_source->add(facts);
    const QLocale previous;
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        const std::vector<InsertedCard> listed = cards();
        EXPECT_EQ(names(listed), (std::vector<std::string>{"Card 1", "Card 1", "card 2", "Card 10"}))
            << locale.name().toStdString();
        EXPECT_EQ(listed.at(0).url, "/m/3");
    }
    QLocale::setDefault(previous);
}

TEST_F(CardDiscoveryTest, fallsBackToFixedTextsWithoutDiskInformation)
{
    const InsertedCard card = CardDiscovery(m_source).make("/media/ana/EOS_DIGITAL", std::nullopt).value();
    EXPECT_EQ(card.displayName, "EOS_DIGITAL");
    EXPECT_EQ(card.fingerprint, "Unknown vendor|Unknown reader|Unknown");
}

TEST_F(CardDiscoveryTest, takesTheDevicePathBesideAnEmptyLocationAndCountsNonTextValuesAsMissing)
{
    m_source->add({"/media/ana/CARD", "Card", true, true},
                  {{"DeviceIdentifier", std::string("sdc1")},
                   {"DeviceVendor", std::int64_t{42}},
                   {"DeviceProtocol", std::string("scsi")},
                   {"DeviceLocation", std::string("")},
                   {"DevicePath", std::string("/devices/pci0000:00/usb1/1-1/scsi-0:0:1")}});
    const InsertedCard card = CardDiscovery(m_source).make("/media/ana/CARD", "Card").value();
    EXPECT_EQ(card.deviceIdentifier, "sdc1");
    EXPECT_EQ(card.vendor, "Unknown vendor");
    EXPECT_EQ(card.protocolName, "scsi");
    EXPECT_EQ(card.fingerprint, "/devices/pci0000:00/usb1/1-1/scsi-0:0:1");
}

} // namespace
} // namespace slatewick
