#include "output_file.hpp"

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

}  // namespace

void RequireWritableFolder(const std::string& path) {
    if (access(Folder(path).c_str(), W_OK | X_OK) != 0)
        throw FileError("cannot create files in its folder " + Folder(path));
}

void WriteWhole(const std::string& path, const char* name, const mxArray* value) {
    std::string pattern = Folder(path) + "/." + Leaf(path) + ".XXXXXX";
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

}  // namespace tavrix::cli
