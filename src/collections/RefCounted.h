// Intrusive, atomically counted shared ownership for the engine's shared model
// objects (values, vectors, facts, templates, types, calls, tokens, fuzzy sets).
//
// An object carries its own count (one allocation, an 8-byte handle). The count
// is raised with a relaxed increment and dropped with an acquire-release
// decrement; the object is deleted through the handle's static type, so every
// polymorphic interface held in a TRef declares a virtual destructor.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace fxe {

class TRefCounted {
 public:
  void AddRef() const noexcept { count_.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; true when it was the last one (the caller deletes).
  bool DropRef() const noexcept { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  std::uint32_t RefCount() const noexcept { return count_.load(std::memory_order_relaxed); }

 protected:
  TRefCounted() noexcept = default;
  // A copy is a new object: it starts unreferenced.
  TRefCounted(const TRefCounted&) noexcept {}
  TRefCounted& operator=(const TRefCounted&) noexcept { return *this; }
  ~TRefCounted() { assert(count_.load(std::memory_order_relaxed) == 0 && "object destroyed while referenced"); }

 private:
  mutable std::atomic<std::uint32_t> count_{0};
};

// The common base of polymorphic shared interfaces.
class IInterface : public TRefCounted {
 public:
  virtual ~IInterface() = default;

 protected:
  IInterface() = default;
  IInterface(const IInterface&) = default;
  IInterface& operator=(const IInterface&) = default;
};

template <class T>
class TRef {
 public:
  using element_type = T;

  constexpr TRef() noexcept = default;
  constexpr TRef(std::nullptr_t) noexcept {}
  // Takes a new reference on p (p may be null).
  explicit TRef(T* p) noexcept : ptr_(p) {
    if (ptr_) ptr_->AddRef();
  }
  TRef(const TRef& other) noexcept : TRef(other.ptr_) {}
  TRef(TRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  TRef(const TRef<U>& other) noexcept : TRef(static_cast<T*>(other.Get())) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  TRef(TRef<U>&& other) noexcept : ptr_(static_cast<T*>(other.Detach())) {}
  ~TRef() { Reset(); }

  TRef& operator=(const TRef& other) noexcept {
    TRef(other).Swap(*this);
    return *this;
  }
  TRef& operator=(TRef&& other) noexcept {
    TRef(std::move(other)).Swap(*this);
    return *this;
  }
  TRef& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  void Reset() noexcept {
    if (T* p = std::exchange(ptr_, nullptr)) {
      if (p->DropRef()) delete p;
    }
  }
  // Gives up ownership without dropping the reference.
  T* Detach() noexcept { return std::exchange(ptr_, nullptr); }
  // Adopts a reference that was already counted (the counterpart of Detach).
  static TRef Adopt(T* p) noexcept {
    TRef r;
    r.ptr_ = p;
    return r;
  }
  void Swap(TRef& other) noexcept { std::swap(ptr_, other.ptr_); }

  T* Get() const noexcept { return ptr_; }
  T* operator->() const noexcept {
    assert(ptr_);
    return ptr_;
  }
  T& operator*() const noexcept {
    assert(ptr_);
    return *ptr_;
  }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }

  template <class U>
  bool operator==(const TRef<U>& other) const noexcept {
    return ptr_ == other.Get();
  }
  bool operator==(std::nullptr_t) const noexcept { return ptr_ == nullptr; }
  bool operator==(const T* p) const noexcept { return ptr_ == p; }

 private:
  T* ptr_ = nullptr;
};

template <class T, class... TArgs>
TRef<T> MakeRef(TArgs&&... args) {
  return TRef<T>(new T(std::forward<TArgs>(args)...));
}

// Casts between interfaces of one object (nullptr when the object is not a U).
template <class U, class T>
TRef<U> DynamicRefCast(const TRef<T>& ref) noexcept {
  return TRef<U>(dynamic_cast<U*>(ref.Get()));
}
template <class U, class T>
TRef<U> StaticRefCast(const TRef<T>& ref) noexcept {
  return TRef<U>(static_cast<U*>(ref.Get()));
}

}  // namespace fxe

template <class T>
struct std::hash<fxe::TRef<T>> {
  std::size_t operator()(const fxe::TRef<T>& ref) const noexcept { return std::hash<T*>()(ref.Get()); }
};
