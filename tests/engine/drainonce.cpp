// Drains one card, or sends what waits as a start-up does, and exits: a test runs
// it under strace to see what the engine asks of the file systems, or to kill it
// at a chosen call.
// Usage: drain_once CARD DATA SERVER [clear|keep [TEMPLATE [STATE]]]
//        drain_once resend DATA STATE SERVER   (prints one line per batch it tried)
#include "engine/drain/drainengine.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

namespace {

// What a start-up does: claims of programs that are gone return to the cache,
// then every batch that waits is sent; a batch with no folder goes to SERVER.
int resend(const char *data, const char *state, const char *server)
{
    slatewick::DrainEngine::Options options;
    options.stateFolder = state;
    slatewick::DrainEngine engine(data, options);
    engine.adoptEarlierRecords();
    for (const slatewick::BatchRecord &record : engine.ledger().all()) {
        if (record.state != slatewick::BatchState::cached)
            continue;
        const auto redirect = record.serverFolder.empty() ? std::optional<std::filesystem::path>(server) : std::nullopt;
        try {
            const auto sent = engine.sendPending(record.id, [](auto...) {}, {}, redirect);
            std::printf("%s %s\n", record.id.c_str(), sent ? sent->remoteURL.c_str() : "(taken)");
        } catch (const std::exception &failure) {
            std::printf("%s failed: %s\n", record.id.c_str(), failure.what());
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::string(argv[1]) == "resend")
        return resend(argv[2], argv[3], argv[4]);
    if (argc < 4)
        return 2;
    slatewick::InsertedCard card;
    card.url = argv[1];
    card.displayName = "CARD01";
    slatewick::DrainSettings settings;
    settings.remoteDirectory = argv[3];
    settings.namingTemplate = argc > 5 ? argv[5] : "{card}";
    settings.clearAfterCopy = argc > 4 && std::string(argv[4]) == "clear";
    slatewick::DrainEngine::Options options;
    if (argc > 6)
        options.stateFolder = argv[6];
    try {
        slatewick::DrainEngine(argv[2], options).drain(card, settings, [](auto...) {}, {});
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}
