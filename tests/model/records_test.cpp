#include "model/cardactivity.h"
#include "model/drainerror.h"
#include "model/insertedcard.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unordered_set>

using namespace slatewick;

namespace {
InsertedCard card(const std::string &mount, const std::string &name, const std::string &fingerprint)
{
    return InsertedCard{mount, name, "sdc1", fingerprint, "Acme", "Reader 3", "usb"};
}
} // namespace

TEST(InsertedCard, IdentityFollowsTheMountPointAndSlotFollowsTheFingerprint)
{
    const auto a = card("/media/ana/CARD01", "CARD01", "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:0");
    const auto b = card("/media/ana/CARD02", "CARD02", a.fingerprint);
    EXPECT_EQ(a.id(), "/media/ana/CARD01");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.slot().id(), b.slot().id());
    EXPECT_NE(a.slot(), b.slot());
    EXPECT_EQ(a.slot(), a.slot());
    EXPECT_EQ(a.slot().label, "CARD01 \u2014 " + a.fingerprint);

    auto remounted = card("/media/ana/CARD01", "OTHER", "x");
    EXPECT_EQ(remounted.id(), a.id());

    std::unordered_set<InsertedCard> set{a, b, a};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(std::hash<InsertedCard>{}(a), std::hash<InsertedCard>{}(card("/media/ana/CARD01", "CARD01", a.fingerprint)));
}

TEST(CardSlot, JsonRoundTripIsStrictAndIgnoresExtraMembers)
{
    const CardSlot slot{"Acme|Reader|usb", "A \u2014 Acme|Reader|usb", "Acme", "Reader", "usb"};
    EXPECT_EQ(cardSlotFromJson(nlohmann::json::parse(toJson(slot).dump())), slot);
    EXPECT_EQ(toJson(slot).dump(),
              R"({"fingerprint":"Acme|Reader|usb","label":"A — Acme|Reader|usb","vendor":"Acme","model":"Reader","protocolName":"usb"})");

    auto json = nlohmann::json::parse(toJson(slot).dump());
    json["extra"] = 1;
    EXPECT_EQ(cardSlotFromJson(json), slot);

    for (const char *key : {"fingerprint", "label", "vendor", "model", "protocolName"}) {
        auto missing = json;
        missing.erase(key);
        EXPECT_THROW(cardSlotFromJson(missing), nlohmann::json::exception) << key;
        auto wrong = json;
        wrong[key] = 3;
        EXPECT_THROW(cardSlotFromJson(wrong), nlohmann::json::exception) << key;
        auto null = json;
        null[key] = nullptr;
        EXPECT_THROW(cardSlotFromJson(null), nlohmann::json::exception) << key;
    }
}

TEST(DrainPhase, TextsMapExactlyAndSerialFormRoundTrips)
{
    EXPECT_EQ(phaseFromText("Trap clean \u2014 card ready"), DrainPhase::ready);
    EXPECT_EQ(phaseFromText("Trap clean - card ready"), std::nullopt);
    EXPECT_EQ(phaseFromText("needs attention"), std::nullopt);
    for (DrainPhase phase : allDrainPhases)
        EXPECT_EQ(drainPhaseFromJson(toJson(phase)), phase);
    EXPECT_THROW(drainPhaseFromJson(nlohmann::json("Ready")), nlohmann::json::exception);
    EXPECT_THROW(drainPhaseFromJson(nlohmann::json(3)), nlohmann::json::exception);
}

TEST(DrainError, DescriptionsAreTheFixedSentences)
{
    EXPECT_STREQ(DrainError::verificationFailed("local cache").what(),
                 "The copied files at local cache did not match the source.");
    EXPECT_STREQ(DrainError::sourceUnavailable().what(), "The card was removed before draining could finish.");
    EXPECT_STREQ(DrainError::remoteUnavailable().what(),
                 "The card is safely cached, but the remote server folder is currently unavailable.");
    EXPECT_STREQ(DrainError::noFiles().what(), "No transferable files were found on the card.");
    EXPECT_STREQ(DrainError::unsafeTemplate().what(), "The naming template produced an unsafe folder name.");
}

TEST(CardActivity, StartsWithoutProgressOrBatchAndComparesEveryField)
{
    const auto c = card("/media/ana/CARD01", "CARD01", "f");
    CardActivity row(c, DrainPhase::waiting, "Waiting");
    EXPECT_EQ(row.id, c.id());
    EXPECT_EQ(row.cardName, "CARD01");
    EXPECT_EQ(row.progress, 0.0);
    EXPECT_FALSE(row.batchURL);

    CardActivity moved(c, DrainPhase::waiting, 0.5, "Waiting");
    EXPECT_NE(row, moved);
    EXPECT_EQ(row.id, moved.id);
    auto withBatch = row;
    withBatch.batchURL = "/cache/batch";
    EXPECT_NE(row, withBatch);
}
