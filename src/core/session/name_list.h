// Many names kept as one block of text and an offset each. A run of a million files plans a
// million new names: as separate strings each would cost a string object and a heap block of its
// own (some 40 bytes beyond its text); here each costs its text and eight bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {

class NameList {
public:
    NameList() = default;
    NameList(std::initializer_list<std::string_view> names);
    NameList(NameList&& other) noexcept;
    NameList& operator=(NameList&& other) noexcept;
    NameList(const NameList& other);
    NameList& operator=(const NameList& other);
    ~NameList() = default;

    // Room for `count` names and `textBytes` bytes of their text; the text grows beyond that as
    // it is added.
    void reserve(std::size_t count, std::size_t textBytes = 0);
    void push_back(std::string_view name);
    void clear();

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](std::size_t index) const {
        const std::uint64_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(text_.get() + begin, static_cast<std::size_t>(ends_[index] - begin));
    }

private:
    void growText(std::size_t capacity);

    struct Free {
        void operator()(char* block) const;
    };
    // Grown with realloc rather than by copying into a new block: where the C library moves large
    // blocks by remapping their pages (glibc), a growing list never holds its text twice. Where it
    // copies them (Windows), reserving the text that is coming avoids the copy.
    std::unique_ptr<char, Free> text_;
    std::size_t used_ = 0, capacity_ = 0;
    std::vector<std::uint64_t> ends_;  // where each name's text ends
};

}  // namespace core
