#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "import/import_error.h"
#include "import/import_options.h"

namespace rotopal {

// The messages between the programs and the picture decoder (rotopal-decode), over the socket
// that is the helper's stdin and stdout. Each is framed as a little-endian u32 length, then a
// kind byte and its body: length counts both. The helper speaks first (Ready), then answers
// each request with any number of Progress messages and one final reply.
inline constexpr std::uint32_t kDecodeProtocolVersion = 1;
// No message comes near this: the largest is a screen, about 129 KB.
inline constexpr std::uint32_t kMaxMessageBytes = 1u << 20;
inline constexpr std::size_t kFrameHeaderBytes = 4;

enum class MessageKind : std::uint8_t {
    Ready = 1,      // helper: the protocol version and the program's version
    Decode = 2,     // request: decode the picture the helper was given, once
    Make = 3,       // request: a screen from the decoded picture with these options
    Progress = 4,   // helper: how far it has got, 0 to 100
    Decoded = 5,    // reply to Decode: the picture's upright size and what was read past
    Screen = 6,     // reply to Make: the screen file's bytes and what was read past
    Failed = 7,     // reply to either: an ImportError
    Misbehave = 8,  // request, for tests only: end the way it says
};

struct Message {
    MessageKind kind = MessageKind::Failed;
    std::vector<std::uint8_t> body;
};

// Ways a test may ask the helper to end.
enum class Misbehaviour : std::uint8_t {
    Exit = 1,          // exit with status 3
    Abort = 2,         // abort(), as glib does when an allocation fails
    Crash = 3,         // a SIGSEGV
    Hang = 4,          // never answer
    Garbage = 5,       // answer with bytes that are no message
    ExhaustMemory = 6, // allocate and touch until the allowance is spent
    WriteFile = 7,     // try to open a file for writing; answers Failed with what happened
    KillSelf = 8,      // a SIGKILL, as the system's out-of-memory killer sends
};

struct ProtocolError {
    std::string what;
};

std::vector<std::uint8_t> FrameMessage(const Message& message);
// The length a frame header announces, refused when it is 0 or larger than any message.
Result<std::uint32_t, ProtocolError> FrameLength(std::span<const std::uint8_t> header);
// A message from the bytes that follow the header (kind and body).
Result<Message, ProtocolError> ParseMessage(std::span<const std::uint8_t> frame);

struct ReadyBody {
    std::uint32_t protocol = kDecodeProtocolVersion;
    std::string version;
};
struct DecodedBody {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::string> repairs;
};
struct ScreenBody {
    std::vector<std::uint8_t> file;  // a screen file as our writer writes it
    std::vector<std::string> repairs;
};
struct MisbehaveBody {
    Misbehaviour how = Misbehaviour::Exit;
    std::string path;  // WriteFile: the file to try
};

Message ReadyMessage(const ReadyBody& body);
Message DecodeRequest();
Message MakeRequest(const ImportOptions& options);
Message ProgressMessage(int percent);
Message DecodedMessage(const DecodedBody& body);
Message ScreenMessage(const ScreenBody& body);
Message FailedMessage(const ImportError& error);
Message MisbehaveRequest(const MisbehaveBody& body);

Result<ReadyBody, ProtocolError> ParseReady(std::span<const std::uint8_t> body);
Result<ImportOptions, ProtocolError> ParseMake(std::span<const std::uint8_t> body);
Result<int, ProtocolError> ParseProgress(std::span<const std::uint8_t> body);
Result<DecodedBody, ProtocolError> ParseDecoded(std::span<const std::uint8_t> body);
Result<ScreenBody, ProtocolError> ParseScreen(std::span<const std::uint8_t> body);
Result<ImportError, ProtocolError> ParseFailed(std::span<const std::uint8_t> body);
Result<MisbehaveBody, ProtocolError> ParseMisbehave(std::span<const std::uint8_t> body);

}  // namespace rotopal
