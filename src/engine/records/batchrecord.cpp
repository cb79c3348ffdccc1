#include "engine/records/batchrecord.h"

#include "platform/fileops.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <array>
#include <sstream>
#include <stdexcept>

namespace slatewick {

namespace {

constexpr int recordVersion = 1;
constexpr std::array stateNames{"cached", "sending", "onServer", "freed", "notSendable"};

std::int64_t secondsOf(std::chrono::system_clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

std::chrono::system_clock::time_point timeOf(std::int64_t seconds)
{
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

std::string currentBootId()
{
    try {
        std::string text = fileops::readFile("/proc/sys/kernel/random/boot_id");
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text;
    } catch (const std::exception &) {
        return {};
    }
}

// Field 22 of /proc/<pid>/stat; the name before it may hold spaces and parentheses.
std::optional<std::uint64_t> startTimeOf(std::int64_t pid)
{
    std::string text;
    try {
        text = fileops::readFile("/proc/" + std::to_string(pid) + "/stat");
    } catch (const std::exception &) {
        return std::nullopt;
    }
    const std::size_t end = text.rfind(')');
    if (end == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(end + 1));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22)
            return std::stoull(field);
    }
    return std::nullopt;
}

nlohmann::json optionalText(const std::filesystem::path &path)
{
    return path.empty() ? nlohmann::json() : nlohmann::json(path.string());
}

std::string textOr(const nlohmann::json &json, const char *key)
{
    return json.contains(key) && json.at(key).is_string() ? json.at(key).get<std::string>() : std::string();
}

// The members this format shares with the pending records of the version before it.
void readSharedMembers(const nlohmann::json &json, BatchRecord &record)
{
    record.cacheBatch = json.at("cacheBatch").get<std::string>();
    record.batchName = json.at("batchName").get<std::string>();
    record.serverFolder = json.at("serverFolder").get<std::string>();
    BatchManifest &facts = record.facts;
    facts.sourceVolume = json.at("sourceVolume").get<std::string>();
    facts.sourceDevice = json.at("sourceDevice").get<std::string>();
    facts.createdAt = timeOf(json.at("createdAt").get<std::int64_t>());
    facts.cachedAt = timeOf(json.at("cachedAt").get<std::int64_t>());
    facts.files = json.at("files").get<std::int64_t>();
    facts.bytes = json.at("bytes").get<std::int64_t>();
    facts.cardCleared = json.at("cardCleared").get<bool>();
    facts.cachePath = record.cacheBatch.string();
    // Records of earlier versions keep the reason as a sentence only; it is shown as stored.
    if (const std::string reason = json.at("notClearedReason").get<std::string>(); !reason.empty()) {
        record.notCleared = NotCleared{NotCleared::Reason::recorded, 0, reason, {}, {}};
        if (const auto found = NotCleared::reasonNamed(reason); found && json.contains("notCleared")) {
            const nlohmann::json &why = json.at("notCleared");
            record.notCleared = NotCleared{*found, why.at("count").get<std::int64_t>(),
                                           why.at("detail").get<std::string>(),
                                           why.at("files").get<std::vector<std::string>>(), {}};
            if (const auto failure = why.find("failure"); failure != why.end())
                record.notCleared->failure = NotCleared::Failure{failure->at("operation").get<std::string>(),
                                                                 failure->at("path").get<std::string>(),
                                                                 failure->at("errorNumber").get<int>()};
        }
    }
}

} // namespace

BatchRecord BatchRecord::fromPendingRecord(const std::string &text)
{
    const nlohmann::json json = nlohmann::json::parse(text);
    if (json.at("version").get<int>() != 1)
        throw std::runtime_error("unknown version");
    BatchRecord record;
    readSharedMembers(json, record);
    // A try of that version left no proof of its folder: it stays, and is named.
    if (!json.at("serverBatch").is_null())
        record.leftAttempts.emplace_back(json.at("serverBatch").get<std::string>());
    return record;
}

const char *stateName(BatchState state)
{
    return stateNames.at(static_cast<std::size_t>(state));
}

std::optional<BatchState> stateNamed(const std::string &name)
{
    for (std::size_t index = 0; index < stateNames.size(); ++index) {
        if (name == stateNames[index])
            return static_cast<BatchState>(index);
    }
    return std::nullopt;
}

SendOwner SendOwner::self()
{
    static const SendOwner me{currentBootId(), ::getpid(), startTimeOf(::getpid()).value_or(0)};
    return me;
}

bool SendOwner::alive() const
{
    if (bootId != self().bootId)
        return false;
    return startTimeOf(pid) == startTime;
}

std::string BatchRecord::encoded() const
{
    nlohmann::json json{{"version", recordVersion},
                        {"state", stateName(state)},
                        {"cacheBatch", cacheBatch.string()},
                        {"batchName", batchName},
                        {"serverFolder", serverFolder.string()},
                        {"serverBatch", optionalText(serverBatch)},
                        {"sourceVolume", facts.sourceVolume},
                        {"sourceDevice", facts.sourceDevice},
                        {"createdAt", secondsOf(facts.createdAt)},
                        {"cachedAt", secondsOf(facts.cachedAt)},
                        {"copiedToServerAt", secondsOf(facts.copiedToServerAt)},
                        {"files", facts.files},
                        {"bytes", facts.bytes},
                        {"cardCleared", facts.cardCleared},
                        {"notClearedReason", notCleared ? NotCleared::codeOf(notCleared->reason) : ""},
                        {"problem", problem},
                        {"dismissed", dismissed},
                        {"cardSerial", cardSerial}};
    if (notCleared)
        json["notCleared"] = nlohmann::json{
            {"count", notCleared->count}, {"detail", notCleared->detail}, {"files", notCleared->files}};
    if (notCleared && notCleared->failure)
        json["notCleared"]["failure"] = nlohmann::json{{"operation", notCleared->failure->operation},
                                                       {"path", notCleared->failure->path},
                                                       {"errorNumber", notCleared->failure->errorNumber}};
    json["cacheGone"] = cacheGone;
    if (changes)
        json["changes"] = nlohmann::json{{"listed", changes->listed},           {"missing", changes->missing},
                                         {"extra", changes->extra},             {"changed", changes->changed},
                                         {"unreadable", changes->unreadable},   {"historyProblem", changes->historyProblem},
                                         {"unlikeHistory", changes->unlikeHistory}};
    json["serverFileSystem"] = serverFileSystem
                                   ? nlohmann::json{{"source", serverFileSystem->source}, {"type", serverFileSystem->type}}
                                   : nlohmann::json();
    json["owner"] = owner ? nlohmann::json{{"bootId", owner->bootId}, {"pid", owner->pid}, {"startTime", owner->startTime}}
                          : nlohmann::json();
    json["attempt"] = attempt ? nlohmann::json{{"folder", attempt->folder.string()}, {"token", attempt->token}}
                              : nlohmann::json();
    nlohmann::json left = nlohmann::json::array();
    for (const auto &folder : leftAttempts)
        left.push_back(folder.string());
    json["leftAttempts"] = left;
    return json.dump(2) + "\n";
}

BatchRecord BatchRecord::decoded(const std::string &text)
{
    const nlohmann::json json = nlohmann::json::parse(text);
    if (json.at("version").get<int>() != recordVersion)
        throw std::runtime_error("it was written by another version of Slatewick");
    BatchRecord record;
    const std::optional<BatchState> state = stateNamed(json.at("state").get<std::string>());
    if (!state)
        throw std::runtime_error("its state is unknown");
    record.state = *state;
    readSharedMembers(json, record);
    record.serverBatch = textOr(json, "serverBatch");
    record.facts.copiedToServerAt = timeOf(json.at("copiedToServerAt").get<std::int64_t>());
    record.facts.remotePath = record.serverBatch.string();
    record.problem = json.at("problem").get<std::string>();
    // Records written before the member existed tell it only by their sentence.
    record.cacheGone = json.contains("cacheGone") ? json.at("cacheGone").get<bool>()
                                                  : record.problem.find(" is gone") != std::string::npos;
    if (const auto found = json.find("changes"); found != json.end()) {
        BatchCheck &changes = record.changes.emplace();
        changes.listed = found->at("listed").get<std::int64_t>();
        found->at("missing").get_to(changes.missing);
        found->at("extra").get_to(changes.extra);
        found->at("changed").get_to(changes.changed);
        found->at("unreadable").get_to(changes.unreadable);
        found->at("historyProblem").get_to(changes.historyProblem);
        found->at("unlikeHistory").get_to(changes.unlikeHistory);
    }
    record.dismissed = json.at("dismissed").get<bool>();
    record.cardSerial = json.at("cardSerial").get<std::string>();
    if (const auto &fileSystem = json.at("serverFileSystem"); !fileSystem.is_null()) {
        MountFacts facts;
        facts.source = fileSystem.at("source").get<std::string>();
        facts.type = fileSystem.at("type").get<std::string>();
        record.serverFileSystem = facts;
    }
    if (const auto &owner = json.at("owner"); !owner.is_null())
        record.owner = SendOwner{owner.at("bootId").get<std::string>(), owner.at("pid").get<std::int64_t>(),
                                 owner.at("startTime").get<std::uint64_t>()};
    if (const auto &attempt = json.at("attempt"); !attempt.is_null())
        record.attempt = SendAttempt{attempt.at("folder").get<std::string>(), attempt.at("token").get<std::string>()};
    for (const auto &folder : json.at("leftAttempts"))
        record.leftAttempts.emplace_back(folder.get<std::string>());
    return record;
}

} // namespace slatewick
