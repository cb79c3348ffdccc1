// Main-thread cost of listing the cards of a machine with many mounted
// volumes, against reading the raw mount table in the same run.
#include "discovery/carddiscovery.h"
#include "discovery/mounttable.h"
#include "support/loopdevice.h"
#include "support/mountnamespace.h"
#include "support/tempdir.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

constexpr int volumeCount = 20;
constexpr int rounds = 200;

struct MountedImage {
    std::unique_ptr<LoopDevice> loop;
    std::unique_ptr<ScopedMount> mount;
};

template<typename Work>
double microsecondsPerRound(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round)
        work();
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / rounds;
}

std::string mountVolumes(const TempDir &folder, std::vector<MountedImage> &images)
{
    for (int index = 0; index < volumeCount; ++index) {
        const std::string name = "Card " + std::to_string(index);
        const std::filesystem::path image = folder / (name + ".img");
        if (std::string failure = makeExt4Image(image, name, 4 << 20); !failure.empty())
            return failure;
        MountedImage mounted{std::make_unique<LoopDevice>(image), nullptr};
        if (!mounted.loop->attached())
            return mounted.loop->error();
        std::filesystem::create_directory(folder / name);
        mounted.mount = std::make_unique<ScopedMount>(mounted.loop->node(), folder / name, "ext4");
        if (!mounted.mount->mounted())
            return mounted.mount->error();
        images.push_back(std::move(mounted));
    }
    return {};
}

} // namespace

int main()
{
    if (const std::string refusal = enterPrivateMountNamespace(); !refusal.empty()) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return 2;
    }
    TempDir folder;
    std::vector<MountedImage> images;
    if (const std::string failure = mountVolumes(folder, images); !failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 2;
    }

    const CardDiscovery discovery;
    const std::size_t listed = discovery.removableCards().size();
    std::size_t bytes = 0;
    const double rawTable = microsecondsPerRound([&] {
        std::ifstream table("/proc/self/mountinfo");
        bytes = std::string(std::istreambuf_iterator<char>(table), {}).size();
    });
    const double parsedTable = microsecondsPerRound([] { MountTable::blockDeviceMounts(MountTable::processTable); });
    const double listing = microsecondsPerRound([&] { discovery.removableCards(); });
    const std::filesystem::path first = images.front().mount->target();
    const double oneCard = microsecondsPerRound([&] { discovery.make(first, std::nullopt); });

    std::printf("mounted volumes: %d, cards listed: %zu, rounds: %d\n", volumeCount, listed, rounds);
    std::printf("baseline: read /proc/self/mountinfo (%zu bytes)  %8.1f us\n", bytes, rawTable);
    std::printf("libmount parse of the block-device mounts     %8.1f us\n", parsedTable);
    std::printf("removableCards()                             %8.1f us  (%.1f us per card, target < 1000)\n", listing,
                listed ? listing / static_cast<double>(listed) : 0.0);
    std::printf("make(url, none) for one mounted card         %8.1f us\n", oneCard);
    std::printf("removableCards() / raw table read            %8.1fx\n", listing / rawTable);
    return 0;
}
