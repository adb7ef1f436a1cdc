#include "core/session/name_list.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace core {

void NameList::Free::operator()(char* block) const {
    std::free(block);
}

NameList::NameList(std::initializer_list<std::string_view> names) {
    reserve(names.size());
    for (std::string_view name : names) push_back(name);
}

NameList::NameList(NameList&& other) noexcept
    : text_(std::move(other.text_)), used_(other.used_), capacity_(other.capacity_), ends_(std::move(other.ends_)) {
    other.clear();
}

NameList& NameList::operator=(NameList&& other) noexcept {
    if (this != &other) {
        text_ = std::move(other.text_);
        used_ = other.used_;
        capacity_ = other.capacity_;
        ends_ = std::move(other.ends_);
        other.clear();
    }
    return *this;
}

NameList::NameList(const NameList& other) {
    *this = other;
}

NameList& NameList::operator=(const NameList& other) {
    if (this != &other) {
        NameList copy;
        copy.reserve(other.size());
        for (std::size_t i = 0; i < other.size(); ++i) copy.push_back(other[i]);
        *this = std::move(copy);
    }
    return *this;
}

void NameList::clear() {
    text_.reset();
    used_ = capacity_ = 0;
    ends_.clear();
    ends_.shrink_to_fit();
}

void NameList::reserve(std::size_t count, std::size_t textBytes) {
    ends_.reserve(count);
    if (textBytes > capacity_) growText(textBytes);
}

void NameList::growText(std::size_t capacity) {
    void* grown = std::realloc(text_.get(), capacity);
    if (!grown) throw std::bad_alloc();
    (void)text_.release();
    text_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
}

void NameList::push_back(std::string_view name) {
    if (name.size() > capacity_ - used_) {
        std::size_t wanted = capacity_ < 4096 ? 4096 : capacity_;
        while (wanted - used_ < name.size()) {
            if (wanted > static_cast<std::size_t>(-1) / 2) throw std::bad_alloc();
            wanted *= 2;
        }
        growText(wanted);
    }
    ends_.push_back(used_ + name.size());
    if (!name.empty()) std::memcpy(text_.get() + used_, name.data(), name.size());
    used_ += name.size();
}

}  // namespace core
