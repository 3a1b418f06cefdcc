#pragma once
// The IUnknown every COM object of ours shares: one reference count that
// deletes the object at zero, and a QueryInterface that answers from the
// object's own list of interfaces.
#include <windows.h>
#include <unknwn.h>

namespace platform::win32 {

template <typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = Interface(iid);
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() = default;  // only Release() deletes
  // The object as the interface `iid`, or null. Each goes out through
  // static_cast, so the caller gets that interface's own vtable and not
  // whichever base happens to come first.
  virtual void* Interface(REFIID iid) = 0;

 private:
  // A plain counter: our objects live in the UI thread's apartment and are
  // only ever called on that thread.
  ULONG refs_ = 1;  // the creator's reference
};

}  // namespace platform::win32
