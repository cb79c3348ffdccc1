#include "model/settingsstore.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

using namespace slatewick;
using slatewick::testsupport::TempDir;

namespace {

struct SettingsStoreTest : ::testing::Test {
    TempDir dir;
    SettingsStore store{KeyValueStore(dir / "Slatewick")};
    std::filesystem::path file() const { return dir / "Slatewick" / SettingsStore::key; }

    DrainSettings sample() const
    {
        DrainSettings settings;
        settings.watchedSlots = {CardSlot{"f1", "A \u2014 f1", "Acme", "R", "usb"},
                                 CardSlot{"f2", "B \u2014 f2", "Acme", "R", "usb"}};
        settings.remoteDirectory = dir.path().string();
        settings.clearAfterCopy = true;
        settings.namingTemplate = "{date}/{card}";
        settings.gracePeriodSeconds = 12;
        settings.launchAtLogin = false;
        return settings;
    }
};

} // namespace

TEST_F(SettingsStoreTest, SaveThenLoadGivesAnEqualRecordWrittenByteForByte)
{
    EXPECT_EQ(store.load(), DrainSettings{}) << "nothing stored";
    DrainSettings one = sample();
    one.watchedSlots.resize(1);
    one.remoteDirectory = "/srv/photos";
    store.save(one);
    EXPECT_EQ(store.load(), one);
    EXPECT_EQ(testsupport::readFile(file()),
              R"({"watchedSlots":[{"fingerprint":"f1","label":"A — f1","vendor":"Acme","model":"R","protocolName":"usb"}],)"
              R"("remoteDirectory":"/srv/photos","clearAfterCopy":true,"namingTemplate":"{date}/{card}",)"
              R"("gracePeriodSeconds":12,"launchAtLogin":false})");
}

TEST_F(SettingsStoreTest, OneBadMemberLoadsDefaultsAndLeavesTheBytesAlone)
{
    const auto good = nlohmann::json::parse(toJson(sample()).dump());
    const nlohmann::json erased(nlohmann::json::value_t::discarded);
    std::vector<std::pair<std::string, nlohmann::json>> damage{
        {"/gracePeriodSeconds", "8"}, {"/gracePeriodSeconds", 8.5}, {"/clearAfterCopy", 1}};
    for (const std::string key : {"watchedSlots", "remoteDirectory", "clearAfterCopy", "namingTemplate",
                                  "gracePeriodSeconds", "launchAtLogin"})
        damage.insert(damage.end(), {{"/" + key, erased}, {"/" + key, nullptr}});
    for (const std::string key : {"fingerprint", "label", "vendor", "model", "protocolName"})
        for (const nlohmann::json &bad : {nlohmann::json(), nlohmann::json(3), erased})
            damage.emplace_back("/watchedSlots/1/" + key, bad);

    for (const auto &[where, bad] : damage) {
        auto document = good;
        const nlohmann::json::json_pointer pointer(where);
        if (bad.is_discarded())
            document[pointer.parent_pointer()].erase(pointer.back());
        else
            document[pointer] = bad;
        testsupport::writeFile(file(), document.dump());
        EXPECT_EQ(store.load(), DrainSettings{}) << document.dump();
        EXPECT_EQ(testsupport::readFile(file()), document.dump());
    }
    testsupport::writeFile(file(), "{not json");
    EXPECT_EQ(store.load(), DrainSettings{});
    EXPECT_EQ(testsupport::readFile(file()), "{not json");
}

TEST_F(SettingsStoreTest, ExtraMemberLoadsAndIsDroppedByTheNextSave)
{
    auto document = nlohmann::json::parse(toJson(sample()).dump());
    document["fromTheFuture"] = {1, 2};
    document["watchedSlots"][0]["fromTheFuture"] = true;
    testsupport::writeFile(file(), document.dump());
    const DrainSettings loaded = store.load();
    EXPECT_EQ(loaded, sample());
    store.save(loaded);
    EXPECT_EQ(testsupport::readFile(file()).find("fromTheFuture"), std::string::npos);
}

TEST_F(SettingsStoreTest, SaveReplacesTheFileAtomically)
{
    store.save(sample());
    auto changed = sample();
    changed.gracePeriodSeconds = 30;
    // A reader holding the old file still reads it whole: the name was given a new file, not rewritten in place.
    std::ifstream old(file());
    store.save(changed);
    EXPECT_EQ(store.load(), changed);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(old)), {}), toJson(sample()).dump());
    for (const auto &entry : std::filesystem::directory_iterator(dir / "Slatewick"))
        EXPECT_EQ(entry.path().filename(), SettingsStore::key) << "no temporary file left behind";
}
