#pragma once

#include "engine/files/contenthash.h"
#include "engine/files/inventory.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace slatewick {

// A group of finished files is flushed and read once it holds this many bytes or
// files, or when the copy ends.
struct ReadBackGrouping {
    std::int64_t bytes = 64 << 20;
    std::size_t files = 1024;
};

// Reads the files of a copy back from storage on a worker thread while the copy
// goes on: a bounded queue of finished files, flushed in groups (one fdatasync for
// a lone file, one syncfs for several), each dropped from the page cache and then
// read and hashed. The worker only prepares results; nothing is judged here.
// A file whose read failed, or that changed after it was read, is simply not
// counted as read, so verifyCopy reads it again at its own place in the listing
// order and any failure surfaces exactly where a check after the copy would put it.
class ReadBack {
public:
    struct Result {
        bool done = false;
        ContentHash hash;
        FileIdentity identity; // the file's state when it was read
    };

    using Grouping = ReadBackGrouping;

    // keepInPageCache: leave the read pages cached (the server copy reads the cache next).
    ReadBack(std::filesystem::path root, const Inventory &inventory, bool keepInPageCache,
             Grouping grouping = Grouping());
    // Abandons pending work and joins the worker.
    ~ReadBack();
    ReadBack(const ReadBack &) = delete;
    ReadBack &operator=(const ReadBack &) = delete;

    // File `index` of the inventory is complete at the destination. Blocks while the queue is full.
    void submit(std::size_t index, std::int64_t size);
    // Waits for everything submitted; results are index-aligned with the inventory.
    std::vector<Result> finish();
    // Files read so far.
    std::size_t completed() const;

private:
    void work();
    bool groupReady() const;
    void readGroup(const std::vector<std::size_t> &group, int rootFd, char *buffer);

    const std::filesystem::path m_root;
    const Inventory &m_inventory;
    const bool m_keepInPageCache;
    const Grouping m_grouping;
    std::vector<Result> m_results;

    mutable std::mutex m_mutex;
    std::size_t m_completed = 0;
    std::condition_variable m_changed;
    std::deque<std::size_t> m_queue;
    std::int64_t m_queuedBytes = 0;
    bool m_closed = false;
    bool m_abandoned = false;
    bool m_syncfsTrusted = false; // the worker's own
    std::thread m_worker;
};

} // namespace slatewick
