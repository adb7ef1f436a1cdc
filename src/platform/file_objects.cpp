// The members of File, FindHandle and FolderHandle that do not depend on the backend: ownership moves with
// the object, and the destructor closes what is still open.
#include <utility>

#include "platform/files.h"
#include "platform/search.h"

namespace platform {

File::~File() {
    close();
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)),
      path_(std::move(other.path_)),
      openedLength_(std::exchange(other.openedLength_, kUnknownLength)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, kInvalid);
        path_ = std::move(other.path_);
        openedLength_ = std::exchange(other.openedLength_, kUnknownLength);
    }
    return *this;
}

FindHandle::FindHandle() = default;
FindHandle::~FindHandle() = default;
FindHandle::FindHandle(FindHandle&& other) noexcept = default;
FindHandle& FindHandle::operator=(FindHandle&& other) noexcept = default;

bool FindHandle::isOpen() const {
    return state_ != nullptr;
}

void FindHandle::close() noexcept {
    state_.reset();
}

FolderHandle::FolderHandle() = default;
FolderHandle::~FolderHandle() = default;
FolderHandle::FolderHandle(FolderHandle&& other) noexcept = default;
FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept = default;

bool FolderHandle::isOpen() const {
    return state_ != nullptr;
}

void FolderHandle::close() noexcept {
    state_.reset();
}

}  // namespace platform
