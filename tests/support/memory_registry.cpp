#include "support/memory_registry.h"

namespace testing_support {
namespace {

std::string fold(const std::string& key) {
    std::string out;
    out.reserve(key.size());
    for (char c : key) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    // Separators at either end do not name another key.
    while (!out.empty() && out.back() == '\\') out.pop_back();
    while (!out.empty() && out.front() == '\\') out.erase(out.begin());
    return out;
}

}  // namespace

bool MemoryRegistry::keyExists(const std::string& key) {
    return keys_.count(fold(key)) != 0;
}

bool MemoryRegistry::keyExistsMerged(const std::string& key) {
    return keyExists(key) || machineKeys_.count(fold(key)) != 0;
}

void MemoryRegistry::writeMachineDefault(const std::string& key, const std::string& value) {
    machineKeys_[fold(key)] = value;
}

std::optional<std::string> MemoryRegistry::readMachineDefault(const std::string& key) const {
    auto it = machineKeys_.find(fold(key));
    if (it == machineKeys_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> MemoryRegistry::readDefault(const std::string& key) {
    auto it = keys_.find(fold(key));
    if (it == keys_.end()) return std::nullopt;
    return it->second;
}

bool MemoryRegistry::writeDefault(const std::string& key, const std::string& value) {
    const std::string folded = fold(key);
    if (folded.empty()) return false;
    // Creating a key creates its parents, as the real registry does.
    for (std::string::size_type at = folded.find('\\'); at != std::string::npos; at = folded.find('\\', at + 1)) {
        keys_.emplace(folded.substr(0, at), std::nullopt);
    }
    keys_[folded] = value;
    return true;
}

bool MemoryRegistry::deleteKey(const std::string& key) {
    const std::string folded = fold(key);
    auto it = keys_.find(folded);
    if (folded.empty() || it == keys_.end()) return false;
    keys_.erase(it);
    // Sub-keys sort together right after "key\", though not right after the key itself.
    const std::string prefix = folded + "\\";
    for (auto sub = keys_.lower_bound(prefix);
         sub != keys_.end() && sub->first.compare(0, prefix.size(), prefix) == 0;) {
        sub = keys_.erase(sub);
    }
    return true;
}

}  // namespace testing_support
