#include "engine/records/batchledger.h"

#include "engine/records/fairlock.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

// The engine's lock for the threads of this program, an flock for other programs.
class LedgerLock {
public:
    LedgerLock(FairLock &lock, const fs::path &folder)
        : m_hold(&lock)
    {
        fileops::createDirectories(folder);
        const fs::path file = folder / ".lock";
        m_fd.reset(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!m_fd)
            FileSystemError::throwLast("lock", file);
        while (::flock(m_fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                FileSystemError::throwLast("lock", file);
        }
    }

private:
    FairLockHold m_hold;
    UniqueFd m_fd; // closing it releases the flock
};

std::string escaped(const std::string &path)
{
    std::string text;
    for (char c : path)
        text += c == '\\' ? std::string("\\\\") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return text;
}

std::string unescaped(const std::string &text)
{
    std::string path;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\\' && index + 1 < text.size())
            path += text[++index] == 'n' ? '\n' : text[index];
        else
            path += text[index];
    }
    return path;
}

std::string newId()
{
    // Sorts by the time it was made; the pid keeps two programs apart.
    static std::atomic<std::uint64_t> counter{0};
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    return std::to_string(micros) + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

} // namespace

BatchLedger::BatchLedger(const fs::path &stateFolder, FairLock &lock)
    : m_folder(stateFolder.empty() ? fs::path() : stateFolder / "batches")
    , m_lock(lock)
{
}

void BatchLedger::locked(const std::function<void()> &work) const
{
    const LedgerLock lock(m_lock, m_folder);
    work();
}

BatchRecord BatchLedger::create(BatchRecord record, const std::vector<CardFile> &card,
                                const std::function<void()> &underLock) const
{
    const LedgerLock lock(m_lock, m_folder);
    if (underLock)
        underLock();
    record.id = newId();
    std::string listing;
    for (const CardFile &file : card)
        listing += std::to_string(file.size) + '\t' + std::to_string(file.modifiedSeconds) + '\t'
                   + std::to_string(file.modifiedNanoseconds) + '\t' + escaped(file.path) + '\n';
    // The listing first: a record never names a listing that is not there.
    fileops::atomicWrite(m_folder / (record.id + ".card"), listing);
    fileops::atomicWrite(fileOf(record.id), record.encoded());
    return record;
}

std::optional<BatchRecord> BatchLedger::read(const std::string &id) const
{
    if (!enabled() || !fileops::exists(fileOf(id)))
        return std::nullopt;
    BatchRecord record = BatchRecord::decoded(fileops::readFile(fileOf(id)));
    record.id = id;
    return record;
}

std::vector<BatchRecord> BatchLedger::all(std::vector<Unreadable> *unreadable) const
{
    std::vector<BatchRecord> records;
    std::error_code error;
    if (!enabled())
        return records;
    for (fs::directory_iterator it(m_folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path file = it->path();
        if (file.extension() != ".json" || file.filename().string().starts_with('.'))
            continue;
        try {
            BatchRecord record = BatchRecord::decoded(fileops::readFile(file));
            record.id = file.stem().string();
            records.push_back(std::move(record));
        } catch (const std::exception &failure) {
            // Gone since the listing (another program's freeing), or damaged.
            if (unreadable && fileops::exists(file))
                unreadable->push_back({file, failure.what()});
        }
    }
    std::sort(records.begin(), records.end(), [](const BatchRecord &a, const BatchRecord &b) {
        return std::pair(a.facts.cachedAt, a.id) < std::pair(b.facts.cachedAt, b.id);
    });
    return records;
}

std::optional<BatchRecord> BatchLedger::change(const std::string &id, const Expectation &expected,
                                               const Edit &edit) const
{
    if (!enabled())
        return std::nullopt;
    const LedgerLock lock(m_lock, m_folder);
    std::optional<BatchRecord> record = read(id);
    if (!record || !expected(*record))
        return std::nullopt;
    edit(*record);
    fileops::atomicWrite(fileOf(id), record->encoded());
    return record;
}

std::vector<CardFile> BatchLedger::cardFiles(const std::string &id) const
{
    std::vector<CardFile> files;
    std::istringstream lines(fileops::readFile(m_folder / (id + ".card")));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        CardFile file;
        std::string path;
        if (!(fields >> file.size >> file.modifiedSeconds >> file.modifiedNanoseconds))
            continue;
        fields.get(); // the tab before the path
        std::getline(fields, path);
        file.path = unescaped(path);
        files.push_back(std::move(file));
    }
    return files;
}

void BatchLedger::releaseAbandonedClaims() const
{
    for (const BatchRecord &record : all()) {
        if (record.state != BatchState::sending || (record.owner && record.owner->alive()))
            continue;
        change(
            record.id,
            [](const BatchRecord &now) {
                return now.state == BatchState::sending && (!now.owner || !now.owner->alive());
            },
            [](BatchRecord &now) {
                now.state = BatchState::cached;
                now.owner.reset();
            });
    }
}

BatchLedger::Expectation inState(BatchState state)
{
    return [state](const BatchRecord &record) { return record.state == state; };
}

BatchLedger::Expectation sentByThisProcess()
{
    return [](const BatchRecord &record) {
        return record.state == BatchState::sending && record.owner == SendOwner::self();
    };
}

} // namespace slatewick
