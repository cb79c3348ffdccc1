// The ASC MHL history of each batch, checked with the standard tools and an
// independent C4 computation: generations, chain, values, a card's own history.
#include "engine/upkeep/batchchecking.h"
#include "engine/drainfixture.h"

#include <map>
#include <regex>

namespace {

const fs::path schemas = SLATEWICK_ASC_MHL_SCHEMAS;

// The first word a checksum tool prints for the file (xxhsum's tools start with a blanked progress line).
std::string digestOf(const std::string &tool, const fs::path &file)
{
    std::string output;
    EXPECT_EQ(runProgram(tool, {file.string()}, &output), "") << tool;
    const std::size_t start = output.find_first_not_of(" \r");
    return output.substr(start, output.find(' ', start) - start);
}

// "c4" and the SHA-512 digest as base58, padded with "1" to 90 characters.
std::string c4Of(const fs::path &file)
{
    const std::string hex = digestOf("sha512sum", file);
    std::vector<unsigned> number;
    for (std::size_t at = 0; at < hex.size(); at += 2)
        number.push_back(std::stoul(hex.substr(at, 2), nullptr, 16));
    std::string digits;
    while (std::any_of(number.begin(), number.end(), [](unsigned byte) { return byte != 0; })) {
        unsigned remainder = 0;
        for (unsigned &byte : number) {
            const unsigned value = remainder * 256 + byte;
            byte = value / 58;
            remainder = value % 58;
        }
        digits.insert(digits.begin(), "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz"[remainder]);
    }
    return "c4" + std::string(88 - digits.size(), '1') + digits;
}

std::vector<std::smatch> matches(const std::string &text, const std::regex &pattern)
{
    return {std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()};
}

// A batch's history as a verifier sees it: the generation files in chain order,
// the newest action by path, and every problem found.
struct History {
    std::vector<std::string> generations;
    std::map<std::string, std::string> actions;
    std::string problems;
};

History historyOf(const fs::path &batch)
{
    History history;
    const fs::path folder = batch / "ascmhl";
    const std::string chain = readFile(folder / "ascmhl_chain.xml");
    const std::regex link(R"re(<hashlist sequencenr="(\d+)">\s*<path>([^<]+)</path>\s*<c4>([^<]+)</c4>)re");
    // Each file against its schema; xmllint's complaint, if any, is the problem.
    const auto validate = [&](const std::string &schema, const std::string &file) {
        history.problems += runProgram("xmllint", {"--noout", "--schema", schemas / schema, folder / file});
    };
    validate("ASCMHLDirectory.xsd", "ascmhl_chain.xml");
    for (const std::smatch &found : matches(chain, link)) {
        history.generations.push_back(found[2]);
        if (found[1] != std::to_string(history.generations.size()) || c4Of(folder / found.str(2)) != found[3])
            history.problems += "link " + found.str(1) + " is wrong. ";
        validate("ASCMHL.xsd", found[2]);
    }
    if (entryNames(folder).size() != history.generations.size() + 1)
        history.problems += "the folder holds other files. ";
    if (history.generations.empty())
        return history;
    const std::string newest = readFile(folder / history.generations.back());
    const std::regex hash(R"re(<path size="(\d+)" lastmodificationdate="[^"]+Z">([^<]+)</path>\s*<xxh128 action="(\w+)" hashdate="[^"]+Z">([^<]*)</xxh128>)re");
    for (const std::smatch &found : matches(newest, hash)) {
        const fs::path file = batch / std::regex_replace(found.str(2), std::regex("&amp;"), "&");
        history.actions[found[2]] = found[3];
        if (!std::regex_match(found.str(4), std::regex("[0-9a-f]{32}")) || found[4] != digestOf("xxh128sum", file)
            || found[1] != std::to_string(fs::file_size(file)))
            history.problems += found.str(2) + " is recorded wrongly. ";
    }
    return history;
}

// A history as another tool leaves it on a card: one generation per map, each naming
// its files with a hash of the given format.
void writeCardHistory(const fs::path &card, const std::vector<std::map<std::string, std::string>> &generations)
{
    std::string chain = R"(<?xml version="1.0" encoding="UTF-8"?><ascmhldirectory xmlns="urn:ASC:MHL:DIRECTORY:v2.0">)";
    for (std::size_t index = 0; index < generations.size(); ++index) {
        std::string text = R"(<?xml version="1.0" encoding="UTF-8"?><hashlist version="2.0" xmlns="urn:ASC:MHL:v2.0">)"
                           R"(<creatorinfo><creationdate>2026-12-01T10:00:00Z</creationdate><hostname>cam</hostname>)"
                           R"(<tool version="3">in-camera</tool></creatorinfo><processinfo><process>in-place</process></processinfo><hashes>)";
        for (const auto &[path, format] : generations[index]) {
            text += "<hash><path>" + path + "</path><" + format + R"( action="original">)"
                    + digestOf(format + "sum", card / path) + "</" + format + "></hash>";
        }
        const std::string name = "000" + std::to_string(index + 1) + "_CARD01_2026-12-01_100000Z.mhl";
        writeFile(card / "ascmhl" / name, text + "</hashes></hashlist>");
        chain += R"(<hashlist sequencenr=")" + std::to_string(index + 1) + "\"><path>" + name + "</path><c4>"
                 + c4Of(card / "ascmhl" / name) + "</c4></hashlist>";
    }
    writeFile(card / "ascmhl/ascmhl_chain.xml", chain + "</ascmhldirectory>");
}

} // namespace

TEST(AscMhl, EachBatchCarriesAHistoryThatTheStandardToolsVerify)
{
    DrainWorld world;
    for (const char *name : {"DCIM/a.jpg", "DCIM/b & c.jpg", "CLIP/ascmhl/0001_x.mhl", "CLIP/ascmhl/ascmhl_chain.xml"})
        writeFile(world.card / name, std::string(3000, name[5]));

    const DrainEngine::Outcome outcome = world.drain();

    const History cache = historyOf(outcome.batchURL);
    EXPECT_EQ(cache.problems, "");
    ASSERT_THAT(cache.generations, testing::ElementsAre(testing::StartsWith("0001_CARD01_")));
    EXPECT_EQ(cache.actions.size(), 4u) << "a history in a subfolder is an ordinary file";
    EXPECT_EQ(cache.actions.at("CLIP/ascmhl/0001_x.mhl"), "original");
    const History server = historyOf(outcome.remoteURL);
    EXPECT_EQ(server.problems, "");
    ASSERT_EQ(server.generations.size(), 2u);
    EXPECT_EQ(server.generations[0], cache.generations[0]);
    EXPECT_EQ(server.actions.at("DCIM/a.jpg"), "verified");
    EXPECT_EQ(readFile(outcome.remoteURL / "ascmhl" / cache.generations[0]),
              readFile(outcome.batchURL / "ascmhl" / cache.generations[0]));

    EXPECT_TRUE(checkBatch(outcome.batchURL).clean());
    std::string generation = readFile(outcome.remoteURL / "ascmhl" / server.generations[1]);
    const std::string value = digestOf("xxh128sum", outcome.remoteURL / "DCIM/a.jpg");
    generation.replace(generation.find(value), value.size(), std::string(32, '0'));
    writeFile(outcome.remoteURL / "ascmhl" / server.generations[1], generation);
    EXPECT_EQ(checkBatch(outcome.remoteURL).historyProblem,
              "generation " + server.generations[1] + " does not match its C4 id");
}

TEST(AscMhl, ACardsOwnHistoryIsContinuedAndAFileThatDiffersFromItKeepsTheCard)
{
    for (const bool differs : {false, true}) {
        DrainWorld world;
        for (const char *name : {"DCIM/a.jpg", "DCIM/b.jpg", "DCIM/c.jpg"})
            writeFile(world.card / name, std::string(2000, name[5]));
        writeCardHistory(world.card, {{{"DCIM/a.jpg", "xxh64"}, {"DCIM/b.jpg", "xxh64"}}, {{"DCIM/b.jpg", "md5"}}});
        writeFile(world.card / "DCIM/b.jpg", differs ? "not what the camera recorded" : std::string(2000, 'b'));
        const std::string cardGeneration = readFile(world.card / "ascmhl/0002_CARD01_2026-12-01_100000Z.mhl");

        const DrainEngine::Outcome outcome = world.drain();

        const History cache = historyOf(outcome.batchURL);
        EXPECT_EQ(cache.problems, "");
        ASSERT_EQ(cache.generations.size(), 3u);
        EXPECT_EQ(readFile(outcome.batchURL / "ascmhl" / cache.generations[1]),
                  cardGeneration) << "the card's generations stay as they were";
        using Actions = std::map<std::string, std::string>;
        EXPECT_EQ(cache.actions, (Actions{{"DCIM/a.jpg", "verified"},
                                          {"DCIM/b.jpg", differs ? "failed" : "verified"},
                                          {"DCIM/c.jpg", "original"}}));
        EXPECT_EQ(historyOf(outcome.remoteURL).generations.size(), 4u);
        EXPECT_EQ(historyOf(outcome.remoteURL).problems, "");
        EXPECT_EQ(outcome.notCleared, differs ? std::optional(NotCleared{NotCleared::Reason::historyMismatch, 0, {}, {"DCIM/b.jpg"}, {}})
                                              : std::nullopt);
        EXPECT_EQ(listedFiles(world.card).size(), differs ? 6u : 0u) << "the history goes with the card, or stays with it";
        EXPECT_TRUE(checkBatch(outcome.remoteURL).clean());
    }
}

