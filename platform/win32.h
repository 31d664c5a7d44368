// What the Windows-only files share: wide strings, system and COM error texts, a COM reference.
// windows.h first: the other Windows headers build on it.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "platform/unicode.h"

// Text and wchar_t strings share their UTF-16 code units on Windows.
inline std::wstring W(TextView text) { return std::wstring(text.begin(), text.end()); }
inline Text FromW(const wchar_t* text) { return Text(reinterpret_cast<const char16_t*>(text)); }

// The system's text for an error code, without the final full stop and line end.
std::string SystemMessage(DWORD error);

// "call failed with HRESULT 0x80004005".
std::string HresultMessage(const char* call, HRESULT hr);

// Throws std::runtime_error with that message when the call failed.
inline void ComCheck(const char* call, HRESULT hr) {
  if (FAILED(hr)) throw std::runtime_error(HresultMessage(call, hr));
}

// Holds one reference to a COM object.
template <typename T>
class Com {
 public:
  Com() = default;
  explicit Com(T* p) : p_(p) {}
  ~Com() {
    if (p_) p_->Release();
  }
  Com(Com&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** Out() { return &p_; }
  void** OutVoid() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};
