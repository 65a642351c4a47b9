#include "output_file.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "../host/matio/mat_file.hpp"

namespace tavrix::cli {
namespace {

std::string Folder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Leaf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkstemp's pattern for `path`, and the length of its random part.
std::string TemporaryPrefix(const std::string& path) { return "." + Leaf(path) + "."; }
constexpr std::size_t kRandomPart = 6;

}  // namespace

void RequireWritableFolder(const std::string& path) {
    if (access(Folder(path).c_str(), W_OK | X_OK) != 0)
        throw FileError("cannot create files in its folder " + Folder(path));
}

void WriteWhole(const std::string& path, const char* name, const mxArray* value) {
    std::string pattern = Folder(path) + "/" + TemporaryPrefix(path) + std::string(kRandomPart, 'X');
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw FileError("cannot create a temporary file in " + Folder(path));
    close(fd);
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temporary.data(), 0666 & ~mask);
    try {
        WriteVariable(temporary.data(), name, value);
        if (std::rename(temporary.data(), path.c_str()) != 0) throw FileError("cannot rename the temporary file to it");
    } catch (...) {
        std::remove(temporary.data());
        throw;
    }
}

void RemoveLeftTemporaries(const std::string& path) {
    const std::string folder = Folder(path), prefix = TemporaryPrefix(path);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == prefix.size() + kRandomPart && name.compare(0, prefix.size(), prefix) == 0)
            std::remove((folder + "/" + name).c_str());
    }
    closedir(dir);
}

}  // namespace tavrix::cli
