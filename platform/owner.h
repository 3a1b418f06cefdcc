#pragma once
// The one owner of a handle: holds it, closes it once with the closer it was
// given, moves but never copies (a copy would close the handle twice). The
// empty value is the handle type's own zero: a null pointer, key 0.
#include <utility>

namespace platform {

template <typename Handle, typename Close>
class Owner {
 public:
  Owner() = default;
  explicit Owner(Handle handle, Close close = Close{}) : handle_(handle), close_(std::move(close)) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})), close_(std::move(other.close_)) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Handle{});
      close_ = std::move(other.close_);
    }
    return *this;
  }
  ~Owner() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  void reset(Handle handle = Handle{}) {
    if (handle_ != Handle{}) close_(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_{};
  Close close_{};
};

}  // namespace platform
