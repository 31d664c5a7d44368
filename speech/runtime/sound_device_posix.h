// The sound device the espeak-ng runtime plays on, through PortAudio: opened when a text first
// needs it, kept open between texts, never blocking its one user (the espeak-ng worker).
#pragma once

#include <chrono>
#include <functional>

typedef void PaStream;

class SoundDevice {
 public:
  SoundDevice() = default;
  ~SoundDevice() { Close(); }
  SoundDevice(const SoundDevice&) = delete;
  SoundDevice& operator=(const SoundDevice&) = delete;

  // The default output, mono 16-bit at the rate; false when none can be opened.
  bool Open(int sampleRate);
  bool IsOpen() const { return stream_ != nullptr; }
  // Started for a text, when it was stopped.
  void Start();
  // Stopped once what it holds has played.
  void Drain();
  // What it holds dropped.
  void Abort();
  // Let go of without playing what it holds.
  void Close();
  // Hands the samples over as the device takes them. While it is full, waits through
  // stopWait(pause), which tells whether to give up (a purge); false then, or when the device
  // fails.
  bool Play(const short* samples, int count,
            const std::function<bool(std::chrono::milliseconds)>& stopWait);

 private:
  bool ready_ = false;  // PortAudio initialised
  PaStream* stream_ = nullptr;
};
