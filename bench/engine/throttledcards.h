#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace slatewick::bench {

// Cards on loop devices of their own, each read at no more than a card reader's
// speed: a block-I/O cgroup holds this process (and so its children) with a read
// limit per loop device, so several cards drained at once each keep their own speed.
// Needs root, free loop devices and a cgroup with a read limit per device (v1
// blkio or v2 io); otherwise ready() is false and why() tells what was missing.
class ThrottledCards {
public:
    ThrottledCards(const std::filesystem::path &work, int count, std::int64_t imageMiB,
                   std::int64_t bytesPerSecond);
    // Leaves the cgroup, unmounts and detaches everything it made.
    ~ThrottledCards();
    ThrottledCards(const ThrottledCards &) = delete;
    ThrottledCards &operator=(const ThrottledCards &) = delete;

    bool ready() const { return m_why.empty(); }
    const std::string &why() const { return m_why; }
    // Mount points of the cards.
    const std::vector<std::filesystem::path> &roots() const { return m_roots; }
    // How the limit is applied, for the printout.
    const std::string &method() const { return m_method; }

private:
    void attach(const std::filesystem::path &work, int count, std::int64_t imageMiB);
    void limit(std::int64_t bytesPerSecond);
    void release();

    std::string m_why;
    std::string m_method;
    std::vector<std::string> m_devices;
    std::vector<std::filesystem::path> m_roots;
    std::filesystem::path m_cgroup;      // made here, removed on release
    std::filesystem::path m_formerProcs; // where this process was before
};

} // namespace slatewick::bench
