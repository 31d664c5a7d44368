#include "speech/runtime/sound_device_posix.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>

namespace {

// How long a full device is waited for before its room is asked for again.
constexpr std::chrono::milliseconds kRoomWait{10};

// Sends the process's stderr to /dev/null for its lifetime.
class StderrSilence {
 public:
  StderrSilence() : saved_(::dup(2)) {
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
      ::dup2(null, 2);
      ::close(null);
    }
  }
  ~StderrSilence() {
    if (saved_ < 0) return;
    ::dup2(saved_, 2);
    ::close(saved_);
  }
  StderrSilence(const StderrSilence&) = delete;
  StderrSilence& operator=(const StderrSilence&) = delete;

 private:
  int saved_;
};

}  // namespace

void SoundDevice::Close() {
  if (stream_) {
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
    stream_ = nullptr;
  }
  if (ready_) Pa_Terminate();
  ready_ = false;
}

bool SoundDevice::Open(int sampleRate) {
  if (stream_) return true;
  // ALSA and JACK report every device they probe on stderr; none of it is ours to show.
  StderrSilence silence;
  if (!ready_ && Pa_Initialize() != paNoError) return false;
  ready_ = true;
  PaStream* stream = nullptr;
  if (Pa_OpenDefaultStream(&stream, 0, 1, paInt16, sampleRate, paFramesPerBufferUnspecified,
                           nullptr, nullptr) != paNoError) {
    return false;
  }
  stream_ = stream;
  return true;
}

void SoundDevice::Start() {
  if (stream_ && Pa_IsStreamStopped(stream_) == 1) Pa_StartStream(stream_);
}

void SoundDevice::Drain() {
  if (stream_ && Pa_IsStreamActive(stream_) == 1) Pa_StopStream(stream_);
}

void SoundDevice::Abort() {
  if (stream_) Pa_AbortStream(stream_);
}

bool SoundDevice::Play(const short* samples, int count,
                       const std::function<bool(std::chrono::milliseconds)>& stopWait) {
  while (count > 0) {
    long room = Pa_GetStreamWriteAvailable(stream_);
    if (room < 0) return false;
    if (room == 0) {
      if (stopWait(kRoomWait)) return false;
      continue;
    }
    long n = std::min<long>(room, count);
    if (Pa_WriteStream(stream_, samples, static_cast<unsigned long>(n)) != paNoError &&
        Pa_IsStreamActive(stream_) != 1) {
      return false;
    }
    samples += n;
    count -= static_cast<int>(n);
  }
  return true;
}
