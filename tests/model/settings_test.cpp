#include "model/settingsstore.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

struct SettingsStoreTest : ::testing::Test {
    TempDir dir;
    SettingsStore store{KeyValueStore(dir / "Slatewick")};
    std::filesystem::path file() const { return dir / "Slatewick" / SettingsStore::key; }

    // Every member away from its default, so a member lost on the way shows.
    const std::string sampleText =
        R"({"watchedSlots":[{"fingerprint":"f1","label":"A — f1","vendor":"Acme","model":"R","protocolName":"usb"}],)"
        R"("remoteDirectory":"/srv/photos","clearAfterCopy":true,"namingTemplate":"{date}/{card}",)"
        R"("gracePeriodSeconds":12,"launchAtLogin":false})";
};

} // namespace

// The file is replaced whole under its name; KeyValueStore's test proves that.
TEST_F(SettingsStoreTest, ARecordWithExtraMembersLoadsAndTheNextSaveWritesItBackByteForByteWithoutThem)
{
    EXPECT_EQ(store.load(), DrainSettings{}) << "nothing stored";
    auto document = nlohmann::json::parse(sampleText);
    document["fromTheFuture"] = {1, 2};
    document["watchedSlots"][0]["fromTheFuture"] = true;
    writeFile(file(), document.dump());
    const DrainSettings loaded = store.load();
    // Members of one type must not trade places on the way in and back out.
    EXPECT_EQ(loaded.watchedSlots, (std::vector<CardSlot>{{"f1", "A \u2014 f1", "Acme", "R", "usb"}}));
    EXPECT_EQ(loaded.remoteDirectory, "/srv/photos");
    EXPECT_TRUE(loaded.clearAfterCopy && !loaded.launchAtLogin);
    store.save(loaded);
    EXPECT_EQ(readFile(file()), sampleText);
}

// A hand-edited file may write a whole number as a JSON number with a fraction or an exponent.
TEST_F(SettingsStoreTest, AWholeGracePeriodLoadsHoweverItIsWritten)
{
    for (const std::string written : {"12", "12.0", "1.2e1", "120e-1"}) {
        std::string text = sampleText;
        text.replace(text.find("12,"), 2, written);
        writeFile(file(), text);
        EXPECT_EQ(store.load().gracePeriodSeconds, 12) << written;
    }
}

TEST_F(SettingsStoreTest, OneBadMemberLoadsDefaultsAndLeavesTheBytesAlone)
{
    const auto good = nlohmann::json::parse(sampleText);
    const nlohmann::json erased(nlohmann::json::value_t::discarded);
    std::vector<std::pair<std::string, nlohmann::json>> damage{
        {"/gracePeriodSeconds", "8"}, {"/gracePeriodSeconds", 8.5}, {"/gracePeriodSeconds", 1e19},
        {"/clearAfterCopy", 1}};
    for (const std::string key : {"watchedSlots", "remoteDirectory", "clearAfterCopy", "namingTemplate",
                                  "gracePeriodSeconds", "launchAtLogin"})
        damage.insert(damage.end(), {{"/" + key, erased}, {"/" + key, nullptr}});
    for (const std::string key : {"fingerprint", "label", "vendor", "model", "protocolName"})
        for (const nlohmann::json &bad : {nlohmann::json(), nlohmann::json(3), erased})
            damage.emplace_back("/watchedSlots/0/" + key, bad);

    for (const auto &[where, bad] : damage) {
        auto document = good;
        const nlohmann::json::json_pointer pointer(where);
        if (bad.is_discarded())
            document[pointer.parent_pointer()].erase(pointer.back());
        else
            document[pointer] = bad;
        writeFile(file(), document.dump());
        EXPECT_EQ(store.load(), DrainSettings{}) << document.dump();
        EXPECT_EQ(readFile(file()), document.dump());
    }
    writeFile(file(), "{not json");
    EXPECT_EQ(store.load(), DrainSettings{});
    EXPECT_EQ(readFile(file()), "{not json");
}
