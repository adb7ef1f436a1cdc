// Where the command-line program writes: the real standard output and error, or, in tests, two
// strings.
#pragma once

#include <string>
#include <string_view>

namespace cli {

class Console {
public:
    virtual ~Console() = default;
    virtual void out(std::string_view text) = 0;
    virtual void err(std::string_view text) = 0;
    virtual bool errIsTerminal() const = 0;
    virtual bool colours() const = 0;  // standard output is a terminal that shows colours
};

class SystemConsole : public Console {
public:
    SystemConsole();
    void out(std::string_view text) override;
    void err(std::string_view text) override;
    bool errIsTerminal() const override { return errTerminal_; }
    bool colours() const override { return colours_; }

private:
    bool errTerminal_;
    bool colours_;
};

class StringConsole : public Console {
public:
    void out(std::string_view text) override { output += text; }
    void err(std::string_view text) override { errors += text; }
    bool errIsTerminal() const override { return false; }
    bool colours() const override { return false; }

    std::string output;
    std::string errors;
};

}  // namespace cli
