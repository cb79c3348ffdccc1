// A drain or a resend killed at any step loses no card file, and the start after
// it sends every batch to the server exactly once.
#include "engine/upkeep/batchchecking.h"
#include "engine/drainfixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <map>

using namespace std::chrono_literals;

namespace {

const std::map<std::string, std::string> cardContent{{"DCIM/100EOS5D/IMG_0001.CR3", std::string(40'000, 'a')},
                                                     {"DCIM/100EOS5D/IMG_0002.CR3", std::string(30'000, 'b')},
                                                     {"DCIM/100EOS5D/MVI_0003.MP4", std::string(50'000, 'c')},
                                                     {"MISC/AUTPRINT.MRK", "print"}};

// The card, the server and the records in memory where the system has one: a
// kill leaves the same there as on a disk, and the many flushes cost nothing. The
// cache stays on disk, so that the card is cleared.
struct KillWorld : DrainWorld {
    TempDir quick{::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path()};
    fs::path state = quick / "state";

    KillWorld()
    {
        card = quick / "card";
        server = quick / "server";
        fs::create_directories(server);
        for (const auto &[name, bytes] : cardContent)
            writeFile(card / name, bytes);
    }
    std::vector<std::string> drainArguments() const
    {
        return {card.string(), data.string(), server.string(), "clear", "{card}", state.string()};
    }
    std::vector<std::string> resendArguments() const
    {
        return {"resend", data.string(), state.string(), server.string()};
    }
};

// Runs drain_once killed at the n-th call of the given system call; whether it was
// killed there (false: it made fewer such calls and ended by itself).
bool killedAt(const std::string &call, int n, const std::vector<std::string> &arguments)
{
    std::vector<std::string> traced{"-f", "-o", "/dev/null", "-e", "trace=" + call,
                                    "-e", "inject=" + call + ":signal=KILL:when=" + std::to_string(n),
                                    drainOnceProgram().string()};
    traced.insert(traced.end(), arguments.begin(), arguments.end());
    // Leak checking under the sanitizers traces the process itself, which strace already does.
    ProgramProcess run("strace", traced, {{"ASAN_OPTIONS", "detect_leaks=0"}});
    const std::optional<int> status = run.waitForExit(60s);
    EXPECT_TRUE(status) << call << " #" << n << ": still running";
    return status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL;
}

bool holdsCard(const fs::path &folder)
{
    return std::ranges::all_of(cardContent,
                               [&](const auto &file) { return readFile(folder / file.first) == file.second; });
}

// A file that left the card lies in a cache batch whose checksum file lists it
// and which reads back whole.
void expectCardFilesKept(const KillWorld &world, const std::string &step)
{
    std::vector<fs::path> verified;
    for (const std::string &name : entryNames(world.cacheRoot())) {
        const fs::path batch = world.cacheRoot() / name;
        if (fs::exists(batch / "Slatewick-checksums.xxh128") && checkBatch(batch).clean())
            verified.push_back(batch);
    }
    // A clean batch lists every file it holds: one it does not list counts as extra.
    for (const auto &[name, bytes] : cardContent) {
        if (fs::exists(world.card / name)) {
            EXPECT_EQ(readFile(world.card / name), bytes) << step << ": " << name;
            continue;
        }
        const bool kept =
            std::ranges::any_of(verified, [&](const fs::path &batch) { return readFile(batch / name) == bytes; });
        EXPECT_TRUE(kept) << step << ": " << name << " left the card for no verified cache batch";
    }
}

// After the start that sent what waits: each record is on the server, its server
// batch whole with both records, and no other folder there holds a whole copy.
void expectOnServerOnce(const KillWorld &world, const std::string &step)
{
    DrainEngine::Options options;
    options.stateFolder = world.state;
    const std::vector<BatchRecord> records = DrainEngine(world.data, options).ledger().all();
    EXPECT_LE(records.size(), 1u) << step;
    EXPECT_TRUE(!records.empty() || holdsCard(world.card)) << step << ": no record, yet the card was cleared";
    for (const BatchRecord &record : records) {
        ASSERT_EQ(stateName(record.state), std::string("onServer")) << step << ": " << record.problem;
        EXPECT_TRUE(fs::exists(record.serverBatch / "Slatewick-manifest.json")) << step;
        const BatchCheck check = checkBatch(record.serverBatch);
        EXPECT_TRUE(check.clean() && check.listed == 4) << step;
        EXPECT_TRUE(holdsCard(record.serverBatch)) << step;
    }
    // No other folder there holds anything: no second copy, whole or cut short.
    Names holding = entryNames(world.server);
    std::erase_if(holding, [&](const std::string &name) { return listedFiles(world.server / name).empty(); });
    EXPECT_EQ(holding, records.empty() ? Names{} : Names{records[0].serverBatch.filename().string()}) << step;
}

struct KillSteps : ::testing::Test {
    void SetUp() override { SLATEWICK_SKIP_UNLESS_ALLOWED(straceRefusal()); }
};

// The calls that make each step: the atomic writes of checksum files, manifests
// and records, the clearing and the removal of an earlier try, the batch folders
// (mkdirat), the flushes. mkdir makes only the folders that hold the batches and
// records, each time before the step that writes into them. A resend's flushes
// each follow one of its writes and precede the next, so its kills at the writes
// see the same states.
const std::vector<std::string> drainCalls{"rename", "unlinkat", "mkdirat", "fsync"};
const std::vector<std::string> resendCalls{"rename", "unlinkat", "mkdirat"};

// In a fresh world made ready by prepare, the drain (or the resend) is killed at
// each of its calls of each kind in turn, and what each kill left is checked; a
// run that makes fewer such calls ends by itself, and that kind is done.
void killAtEachStep(const std::string &what, const std::vector<std::string> &calls,
                    const std::function<void(KillWorld &)> &prepare = {})
{
    const bool resend = what.ends_with("resend");
    for (const std::string &call : calls) {
        for (int n = 1;; ++n) {
            ASSERT_LT(n, 200) << call << " never ran out";
            KillWorld world;
            if (prepare) {
                ASSERT_NO_FATAL_FAILURE(prepare(world));
            }
            const std::string step = what + " killed at " + call + " #" + std::to_string(n);
            if (!killedAt(call, n, resend ? world.resendArguments() : world.drainArguments())) {
                EXPECT_GT(n, 1) << call << " was never made";
                expectCardFilesKept(world, step + ": past its last call");
                expectOnServerOnce(world, step + ": past its last call");
                break;
            }
            expectCardFilesKept(world, step);
            std::string output;
            EXPECT_EQ(runProgram(drainOnceProgram().string(), world.resendArguments(), &output), "") << step;
            expectCardFilesKept(world, step + ", restarted");
            expectOnServerOnce(world, step + ", restarted (" + output + ")");
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

// Leaves the batch waiting in the cache, as a drain does whose server folder is away.
void drainWhileTheServerIsAway(KillWorld &world)
{
    fs::remove(world.server);
    ASSERT_NE(runProgram(drainOnceProgram().string(), world.drainArguments()), "");
    fs::create_directories(world.server);
}

} // namespace

TEST_F(KillSteps, ADrainKilledAtAnyStepLosesNothingAndItsBatchReachesTheServerOnce)
{
    killAtEachStep("drain", drainCalls);
}

// The batch waits in the cache: the server was away at the drain, or the drain
// was killed with its server copy whole but not yet recorded there (at its 8th
// rename, the server's checksum file), so the resend removes that try first. The
// resend is killed at each step.
TEST_F(KillSteps, AResendKilledAtAnyStepLeavesTheBatchOnTheServerOnce)
{
    killAtEachStep("resend", resendCalls, drainWhileTheServerIsAway);
    if (HasFailure())
        return;
    killAtEachStep("after an earlier try, resend", {"unlinkat"}, [](KillWorld &world) {
        // On disk, where a folder may list the try's marker before the files.
        world.server = world.dir / "server";
        ASSERT_TRUE(killedAt("rename", 8, world.drainArguments()));
        ASSERT_TRUE(holdsCard(world.server / "CARD01"));
        ASSERT_FALSE(fs::exists(world.server / "CARD01" / "Slatewick-checksums.xxh128"));
    });
}

// Two programs that start at once and both send what waits: one claims the
// batch, the other finds it taken or done.
TEST_F(KillSteps, TwoProgramsSendingWhatWaitsAtOnceSendTheBatchOnce)
{
    for (int round = 0; round < 3; ++round) {
        KillWorld world;
        drainWhileTheServerIsAway(world);
        ProgramProcess first(drainOnceProgram(), world.resendArguments(), {}, world.dir / "first.log");
        ProgramProcess second(drainOnceProgram(), world.resendArguments(), {}, world.dir / "second.log");
        for (ProgramProcess *run : {&first, &second}) {
            const std::optional<int> status = run->waitForExit(60s);
            ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
        }
        expectOnServerOnce(world, "round " + std::to_string(round) + ": " + readFile(world.dir / "first.log") + " / "
                                      + readFile(world.dir / "second.log"));
    }
}
