// speech-dispatcher's voices: listed from the server, chosen for a person, cached between runs.
#pragma once

#include <string>
#include <vector>

class SsipConnection;

// One voice of the server: its module, its name and language, as the server lists them.
struct ServerVoice {
  std::string module, name, language;
  bool operator==(const ServerVoice&) const = default;
};

// The server's voices, module by module, as a person would choose among them; throws SpeechError
// when the server does not answer.
std::vector<ServerVoice> ServerVoicesList(SsipConnection& connection);

// The voices listed at the last run in this language (none when there was no run).
std::vector<ServerVoice> VoiceCacheRead();
void VoiceCacheWrite(const std::vector<ServerVoice>& voices);
