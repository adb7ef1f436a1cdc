// POSIX current folder, absolute paths and the executable's location.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/paths.h"

namespace platform {

std::string currentFolder() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return std::string("/");
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

long maxNameBytes(const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? limit : 0;
}

std::string fullPath(const std::string& path) {
    if (path.empty()) return path;
    const std::string joined = path[0] == '/' ? path : currentFolder() + "/" + path;
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= joined.size()) {
        std::size_t end = joined.find('/', pos);
        if (end == std::string::npos) end = joined.size();
        const std::string part = joined.substr(pos, end - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::string out;
    for (const auto& part : parts) out += "/" + part;
    if (out.empty()) return "/";
    // A final separator names the same folder; keep it, as the Windows call does.
    if (joined.back() == '/') out += '/';
    return out;
}

std::string modulePath() {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

std::string GetModuleFolder() {
    std::string path = modulePath();
    const auto at = path.find_last_of('/');
    return at == std::string::npos ? std::string("./") : path.substr(0, at + 1);
}

}  // namespace platform
