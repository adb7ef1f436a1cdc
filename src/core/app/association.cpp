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

void applyFileAssociation(platform::Registry& registry, bool enabled, const std::string& executablePath) {
    const bool registered = keyExists(registry, kRenExtension);
    if (enabled && !registered) {
        registerFileClass(registry, kRenClass, kRenDescription, 1, executablePath, {ShellVerb{"Open", "%1", true}});
        linkExtension(registry, kRenClass, kRenExtension);
        registry.notifyAssociationsChanged();
    } else if (!enabled && registered) {
        deleteKey(registry, kRenClass);
        deleteKey(registry, kRenExtension);
        registry.notifyAssociationsChanged();
    }
}

}  // namespace core
