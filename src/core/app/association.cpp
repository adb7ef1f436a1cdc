#include "core/app/association.h"

namespace core {

bool keyExists(platform::Registry& registry, const std::string& key) {
    return registry.keyExists(key);
}

bool writeKeyValue(platform::Registry& registry, const std::string& key, const std::string& value) {
    return registry.writeDefault(key, value);
}

bool deleteKey(platform::Registry& registry, const std::string& key) {
    return registry.deleteKey(key);
}

void linkExtension(platform::Registry& registry, const std::string& className, const std::string& extension) {
    if (keyExists(registry, className)) writeKeyValue(registry, extension, className);
}

bool registerFileClass(platform::Registry& registry, const std::string& className, const std::string& description,
                       int iconIndex, const std::string& executablePath, const std::vector<ShellVerb>& verbs) {
    if (!writeKeyValue(registry, className, description)) return false;
    if (iconIndex != -1 &&
        !writeKeyValue(registry, className + "\\DefaultIcon", executablePath + "," + std::to_string(iconIndex))) {
        return false;
    }
    if (verbs.empty()) return true;
    bool defaultWritten = false;
    for (const ShellVerb& verb : verbs) {
        if (!writeKeyValue(registry, className + "\\shell\\" + verb.name + "\\command",
                           "\"" + executablePath + "\" " + verb.arguments)) {
            return false;
        }
        if (!defaultWritten && verb.isDefault) {
            if (!writeKeyValue(registry, className + "\\shell", verb.name)) return false;
            defaultWritten = true;
        }
    }
    return defaultWritten;
}

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

void applyFileAssociation(platform::Registry& registry, bool enabled, const std::string& executablePath) {
    if (enabled) {
        if (registry.keyExistsMerged(kRenExtension)) return;
        registerFileClass(registry, kRenClass, kRenDescription, 1, executablePath, {ShellVerb{"Open", "%1", true}});
        linkExtension(registry, kRenClass, kRenExtension);
        registry.notifyAssociationsChanged();
        return;
    }
    bool removed = false;
    if (sameIgnoringCase(registry.readDefault(kRenExtension).value_or(""), kRenClass)) {
        removed = deleteKey(registry, kRenExtension);
    }
    if (keyExists(registry, kRenClass)) removed = deleteKey(registry, kRenClass) || removed;
    if (removed) registry.notifyAssociationsChanged();
}

}  // namespace core
