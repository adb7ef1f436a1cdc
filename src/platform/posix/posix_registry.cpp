// There is no system registry here: associations are a Windows matter.
#include "platform/registry.h"

namespace platform {

std::unique_ptr<Registry> openUserClasses() {
    return nullptr;
}

}  // namespace platform
