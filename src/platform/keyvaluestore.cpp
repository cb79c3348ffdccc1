#include "platform/keyvaluestore.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"

namespace slatewick {

KeyValueStore::KeyValueStore(std::filesystem::path folder)
    : m_folder(std::move(folder))
{
}

std::optional<std::string> KeyValueStore::read(const std::string &key) const
{
    try {
        return fileops::readFile(m_folder / key);
    } catch (const FileSystemError &) {
        return std::nullopt;
    }
}

void KeyValueStore::write(const std::string &key, std::string_view bytes) const
{
    fileops::createDirectories(m_folder);
    fileops::atomicWrite(m_folder / key, bytes);
}

} // namespace slatewick
