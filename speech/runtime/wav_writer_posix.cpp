#include "speech/runtime/wav_writer_posix.h"

#include "platform/platform.h"

WavWriter::WavWriter(const Text& folder, int sampleRate) : sampleRate_(sampleRate) {
  for (;;) {
    Text path = PathJoin(folder, AsciiToText("kelvora-" + Sequence() + ".wav"));
    if (FileExists(path)) continue;
    file_ = std::fopen(TextToUtf8(path).c_str(), "wb");
    break;
  }
  if (file_) Header(sampleRate, 0);
}

WavWriter::~WavWriter() {
  if (!file_) return;
  std::fseek(file_, 0, SEEK_SET);
  Header(sampleRate_, samples_);
  std::fclose(file_);
}

void WavWriter::Write(const short* samples, int count) {
  if (!file_) return;
  std::fwrite(samples, sizeof(short), static_cast<size_t>(count), file_);
  std::fflush(file_);  // readers see the text grow as it is spoken
  samples_ += static_cast<uint32_t>(count);
}

std::string WavWriter::Sequence() {
  static unsigned next = 1;
  char name[16];
  std::snprintf(name, sizeof name, "%06u", next++);
  return name;
}

void WavWriter::Put32(uint32_t v) {
  unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  std::fwrite(b, 1, 4, file_);
}

void WavWriter::Put16(uint16_t v) {
  unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
  std::fwrite(b, 1, 2, file_);
}

void WavWriter::Header(int rate, uint32_t samples) {
  std::fwrite("RIFF", 1, 4, file_);
  Put32(36 + samples * 2);
  std::fwrite("WAVEfmt ", 1, 8, file_);
  Put32(16);
  Put16(1);  // PCM
  Put16(1);  // mono
  Put32(static_cast<uint32_t>(rate));
  Put32(static_cast<uint32_t>(rate) * 2);
  Put16(2);
  Put16(16);
  std::fwrite("data", 1, 4, file_);
  Put32(samples * 2);
}
