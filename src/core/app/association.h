// The .REN file association: double-clicking a filter definition file opens it in this program.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"

namespace core {

inline constexpr const char* kRenClass = "BRAXEN.File.REN";
inline constexpr const char* kRenExtension = ".REN";
inline constexpr const char* kRenDescription = "Calderwynstrope - Filter Definition File";

struct ShellVerb {
    std::string name;       // "Open"
    std::string arguments;  // "%1"
    bool isDefault = false;
};

bool keyExists(platform::Registry& registry, const std::string& key);
bool writeKeyValue(platform::Registry& registry, const std::string& key, const std::string& value);
bool deleteKey(platform::Registry& registry, const std::string& key);
// Points the extension at the class, when the class key exists.
void linkExtension(platform::Registry& registry, const std::string& className, const std::string& extension);

// Writes the class keys: description, icon (unless iconIndex is -1), and a command per verb with
// the shell key naming the default verb. Stops with false at the first failed write; true when
// a default verb was written.
bool registerFileClass(platform::Registry& registry, const std::string& className, const std::string& description,
                       int iconIndex, const std::string& executablePath, const std::vector<ShellVerb>& verbs);

// Registers the association for the user when `enabled` and ".REN" is not taken yet, neither for
// the user nor machine-wide (whatever it points to, an existing ".REN" is left alone). When not
// `enabled`, removes what it registers: the class, and the user's ".REN" only while it still
// points to that class, so another program's association stays. Reports nothing.
void applyFileAssociation(platform::Registry& registry, bool enabled, const std::string& executablePath);

}  // namespace core
