// The error for a file whose content is not acceptable: wrong stamp or header, an unknown
// version, a plug-in that is not loaded. It is a platform file error, so one handler sees both,
// but the commands that read and write the program's files catch this type alone and report it
// with the message of the cause.
#pragma once

#include <string>

#include "platform/file_error.h"

namespace BRAXEN {

class braxen_Exception : public platform::FileError {
public:
    enum Cause {
        pluginMissing = 114,
        invalidFormat = 115,
        unknownVersion = 116,
        indexNotOpen = platform::FileError::endOfFile,  // 14: writing an index that is not open
    };

    explicit braxen_Exception(int cause) : platform::FileError(cause, -1, std::string()) {}

    std::string message() const override;
};

}  // namespace BRAXEN

namespace core {

// The report of a failed load or save: the string id's text filled with the error's cause,
// osError and message (cut at a character boundary to fit the 255-byte message buffer).
std::string fileErrorReport(int stringId, const BRAXEN::braxen_Exception& error);

}  // namespace core
