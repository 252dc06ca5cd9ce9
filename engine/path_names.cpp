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

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string DirectoryOf(const std::string& path) {
    std::string folder = FolderOf(path);
    if (folder.empty() || folder.size() == path.size()) {
        folder = CurrentDirectory();
        if (folder.empty() || folder.back() != '/') folder += '/';
    }
    return folder;
}

}  // namespace torvex
