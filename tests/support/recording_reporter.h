// A reporter that keeps what the core would have shown the user.
#pragma once

#include <string>
#include <vector>

#include "core/base/reporter.h"

namespace testing_support {

struct RecordingReporter : core::Reporter {
    std::vector<std::string> messages;
    void criticalError(const std::string& text) override { messages.push_back(text); }
};

}  // namespace testing_support
