#include "path_names.h"

#include <cerrno>
#include <unistd.h>

namespace torvex {

namespace {

std::string CurrentDirectory() {
    std::string dir(256, '\0');
    while (getcwd(dir.data(), dir.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        dir.resize(dir.size() * 2);
    }
    dir.resize(dir.find('\0'));
    return dir;
}

}  // namespace

std::string& StripQuotes(std::string& path) {
    if (path.size() > 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    return path;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        std::string dir = CurrentDirectory();
        if (dir.empty() || dir.back() != '/') dir += '/';
        return dir;
    }
    return path.substr(0, slash + 1);
}

}  // namespace torvex
