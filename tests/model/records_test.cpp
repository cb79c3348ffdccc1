#include "model/cardactivity.h"
#include "model/drainerror.h"
#include "model/insertedcard.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace slatewick;

TEST(CardSlot, JsonRoundTripIsStrictAndIgnoresExtraMembers)
{
    InsertedCard card;
    card.displayName = "A";
    card.fingerprint = "Acme|Reader|usb";
    card.vendor = "Acme";
    card.model = "Reader";
    card.protocolName = "usb";
    const CardSlot slot = card.slot();
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
