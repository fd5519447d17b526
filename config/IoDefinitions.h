#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace config {

// Input and output modes as the input/output definitions file names them
// ("MULTICAST", "LOCAL_STATE", "REMOTE_STATE", "CLIENT", "SERVER"; "GEOJSON",
// the fleet for GIS tools, is an output only).
enum IoMode : int32_t {
    kIoNone = 0,
    kIoMulticast = 1,
    kIoLocalState = 2,
    kIoRemoteState = 3,
    kIoClient = 4,
    kIoServer = 5,
    kIoGeoJson = 6
};

// Where node positions come from (one input mode) and where the state of all
// nodes goes (the output modes), with the file names, addresses, ports and
// multicast buffer sizes those modes need. One record, owned by the
// application object, which copies it into the inputs and outputs dialogs
// after a load; from then on the dialogs hold the live settings. Main thread.
//
// Texts are empty optionals until the file names them, so "never given"
// stays apart from an empty text. load() reports a file that cannot be read
// by returning false and leaves the reset record.
class IoDefinitions {
public:
    static constexpr int kMaxOutputs = 6;
    static constexpr int32_t kDefaultBuffersPerPort = 75;
    static constexpr int32_t kDefaultBytesPerBuffer = 250;

    // Clears modes, texts and ports. The two multicast buffer sizes are kept:
    // they follow the running ports, not the file, so a file that does not
    // name them must not undo what the ports use.
    void reset();

    // reset(), then applies every line of exactly three words in file order;
    // words are compared ignoring ASCII letter case and unknown lines are
    // skipped. Returns whether the file could be read.
    bool load(const char* path);

    IoMode inputMode = kIoNone;
    int32_t outputCount = 0;
    std::array<IoMode, kMaxOutputs> outputModes{};
    std::optional<std::string> multicastPortFile;
    std::optional<std::string> inputLocalStateFile;
    std::optional<std::string> remoteStateFile;
    std::optional<std::string> remoteIp;
    int32_t remotePort = 0;
    std::optional<std::string> inputClientIp;
    int32_t inputClientPort = 0;
    int32_t inputServerPort = 0;
    std::optional<std::string> outputLocalStateFile;
    std::optional<std::string> outputGeoJsonFile;
    std::optional<std::string> outputClientIp;
    int32_t outputClientPort = 0;
    int32_t outputServerPort = 0;
    int32_t buffersPerPort = kDefaultBuffersPerPort;
    int32_t bytesPerBuffer = kDefaultBytesPerBuffer;

private:
    void applyLine(const char* section, const char* key, const char* value);
    void setInputMode(const char* word);
    void appendOutputMode(const char* word);
    bool setText(const char* section, const char* key, const char* value);
    bool setInteger(const char* section, const char* key, const char* value);
};

} // namespace config
