#include "core/persist/braxen_exception.h"

#include "core/base/strings.h"
#include "platform/utf8.h"

namespace BRAXEN {

std::string braxen_Exception::message() const {
    switch (cause()) {
        case pluginMissing:
            return core::loadString(core::IDS_PLUGIN_MISSING);
        case invalidFormat:
            return core::loadString(core::IDS_FILE_CORRUPT);
        case unknownVersion:
            return core::loadString(core::IDS_UNKNOWN_VERSION);
        default:
            return platform::FileError::causeText(cause(), fileName());
    }
}

}  // namespace BRAXEN

namespace core {

std::string fileErrorReport(int stringId, const BRAXEN::braxen_Exception& error) {
    // The message has always been fetched into a buffer of 255 bytes, terminator included.
    const std::string message = platform::utf8::truncate(error.message(), 254);
    return formatString(stringId, {std::int64_t{error.cause()}, std::int64_t{error.osError()}, message});
}

}  // namespace core
