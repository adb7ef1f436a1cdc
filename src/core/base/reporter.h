// How the core tells the user about a failure it handles itself. Each front end implements it:
// a message box in the Windows program, a line on standard error in the command-line program.
#pragma once

#include <string>
#include <vector>

namespace core {

class Reporter {
public:
    virtual ~Reporter() = default;
    // A failure shown with the stop icon under the title "Critical Error".
    virtual void criticalError(const std::string& text) = 0;
};

// Keeps what is reported, to be told later on another thread, in order.
class KeptReports : public Reporter {
public:
    void criticalError(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

}  // namespace core
