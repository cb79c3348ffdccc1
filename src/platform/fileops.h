#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The file-system operations the rest of the program relies on. Every failure
// throws FileSystemError naming the operation, the path and the system's reason.
namespace slatewick::fileops {

// True when anything exists at the path (links followed); never throws.
bool exists(const std::filesystem::path &path);

// Makes the folder and any missing parents, each flushed in its parent; an existing folder is fine.
void createDirectories(const std::filesystem::path &folder);

// Puts the folder's entries on storage: a new entry is there only once its folder is flushed.
// folder names it in messages.
void flushFolder(int folderFd, const std::filesystem::path &folder);

// Writes to a temporary file in the same folder, flushes it to storage and
// renames it over the target, so a crash leaves either the old or the new file.
void atomicWrite(const std::filesystem::path &file, std::string_view bytes);

// Reads a whole (small) file. Throws on failure.
std::string readFile(const std::filesystem::path &file);

// Removes the entry `name` of an open folder for good: a folder with everything
// in it, a link as a link. path names it in messages.
void removeEntryAt(int parentFd, const std::string &name, const std::filesystem::path &path);

// Removes a file and flushes its folder; a missing file is fine.
void removeFileIfPresent(const std::filesystem::path &file);

// read(2) and write(2) that retry after signals; writeAll writes every byte.
// A failure names the operation given, so a copy's full disk reads "Could not copy ...".
std::size_t readSome(int fd, void *buffer, std::size_t size, const std::filesystem::path &path);
void writeAll(int fd, const void *buffer, std::size_t size, const std::filesystem::path &path,
              const char *operation = "write");

} // namespace slatewick::fileops
