// Drains one card and exits: a test runs it under strace to see what the engine
// asks of the file systems. Usage: drain_once CARD DATA SERVER [clear|keep [TEMPLATE [STATE]]]
#include "engine/drainengine.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char **argv)
{
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
