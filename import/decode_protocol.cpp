#include "import/decode_protocol.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

// GCC 12 takes the growth of a vector, inlined into these small writes, for an overflow when it
// builds with _FORTIFY_SOURCE (its bug 106199); every write here goes through the vector's own
// resize.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif

namespace rotopal {
namespace {

// Puts fields down as little-endian bytes.
class Writer {
public:
    explicit Writer(MessageKind kind) { message_.kind = kind; }
    Writer& U8(std::uint8_t value) {
        const std::array bytes{value};
        return Append(bytes);
    }
    Writer& U32(std::uint32_t value) {
        const std::array bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                               static_cast<std::uint8_t>(value >> 16),
                               static_cast<std::uint8_t>(value >> 24)};
        return Append(bytes);
    }
    Writer& U64(std::uint64_t value) {
        return U32(static_cast<std::uint32_t>(value)).U32(static_cast<std::uint32_t>(value >> 32));
    }
    Writer& Bytes(std::span<const std::uint8_t> bytes) {
        return U32(static_cast<std::uint32_t>(bytes.size())).Append(bytes);
    }
    Writer& Text(const std::string& text) {
        return Bytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
    Writer& Texts(const std::vector<std::string>& texts) {
        U32(static_cast<std::uint32_t>(texts.size()));
        for (const std::string& text : texts) {
            Text(text);
        }
        return *this;
    }
    Message Done() { return std::move(message_); }

private:
    Writer& Append(std::span<const std::uint8_t> bytes) {
        const std::size_t at = message_.body.size();
        message_.body.resize(at + bytes.size());
        std::copy(bytes.begin(), bytes.end(), message_.body.begin() + static_cast<std::ptrdiff_t>(at));
        return *this;
    }

    Message message_;
};

// Takes fields back, each checked against what is left; the first shortfall is kept.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint8_t U8() {
        if (!Have(1)) {
            return 0;
        }
        const std::uint8_t value = bytes_[at_];
        at_ += 1;
        return value;
    }
    std::uint32_t U32() {
        if (!Have(4)) {
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | bytes_[at_ + static_cast<std::size_t>(i)];
        }
        at_ += 4;
        return value;
    }
    std::uint64_t U64() {
        const std::uint64_t low = U32();
        return low | std::uint64_t{U32()} << 32;
    }
    std::vector<std::uint8_t> Bytes() {
        const std::uint32_t size = U32();
        if (!Have(size)) {
            return {};
        }
        std::vector<std::uint8_t> bytes(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                        bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + size));
        at_ += size;
        return bytes;
    }
    std::string Text() {
        const auto bytes = Bytes();
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<std::string> Texts() {
        const std::uint32_t count = U32();
        std::vector<std::string> texts;
        // Every text takes at least its 4-byte length: a count beyond that is a lie.
        for (std::uint32_t i = 0; i < count && Have(4); ++i) {
            texts.push_back(Text());
        }
        if (texts.size() != count) {
            Short();
        }
        return texts;
    }
    // The value read, or why the body could not be read.
    template <class T>
    Result<T, ProtocolError> Finish(T value, const char* what) {
        if (!whole_ || at_ != bytes_.size()) {
            return Failure{ProtocolError{std::string("a ") + what + " message of the wrong length"}};
        }
        return value;
    }

private:
    bool Have(std::size_t size) {
        if (whole_ && bytes_.size() - at_ >= size) {
            return true;
        }
        Short();
        return false;
    }
    void Short() { whole_ = false; }

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool whole_ = true;
};

constexpr std::uint8_t kLastKind = static_cast<std::uint8_t>(MessageKind::Misbehave);
constexpr std::uint8_t kLastFit = static_cast<std::uint8_t>(Fit::Stretch);
constexpr std::uint8_t kLastErrorKind = static_cast<std::uint8_t>(ImportErrorKind::TimedOut);
constexpr std::uint8_t kLastMisbehaviour = static_cast<std::uint8_t>(Misbehaviour::KillSelf);

Writer& Colour(Writer& writer, Rgb colour) {
    return writer.U8(colour.red).U8(colour.green).U8(colour.blue);
}

Rgb Colour(Reader& reader) {
    Rgb colour;
    colour.red = reader.U8();
    colour.green = reader.U8();
    colour.blue = reader.U8();
    return colour;
}

}  // namespace

std::vector<std::uint8_t> FrameMessage(const Message& message) {
    const auto length = static_cast<std::uint32_t>(1 + message.body.size());
    std::vector<std::uint8_t> frame;
    frame.reserve(kFrameHeaderBytes + length);
    for (int shift = 0; shift < 32; shift += 8) {
        frame.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    frame.push_back(static_cast<std::uint8_t>(message.kind));
    frame.insert(frame.end(), message.body.begin(), message.body.end());
    return frame;
}

Result<std::uint32_t, ProtocolError> FrameLength(std::span<const std::uint8_t> header) {
    Reader reader(header);
    const std::uint32_t length = reader.U32();
    if (header.size() != kFrameHeaderBytes || length == 0 || length > kMaxMessageBytes) {
        return Failure{ProtocolError{"a message of " + std::to_string(length) + " bytes"}};
    }
    return length;
}

Result<Message, ProtocolError> ParseMessage(std::span<const std::uint8_t> frame) {
    if (frame.empty() || frame[0] == 0 || frame[0] > kLastKind) {
        return Failure{ProtocolError{"a message of an unknown kind"}};
    }
    return Message{static_cast<MessageKind>(frame[0]), {frame.begin() + 1, frame.end()}};
}

Message ReadyMessage(const ReadyBody& body) {
    return Writer(MessageKind::Ready).U32(body.protocol).Text(body.version).Done();
}

Message DecodeRequest() {
    return Writer(MessageKind::Decode).Done();
}

Message MakeRequest(const ImportOptions& options) {
    Writer writer(MessageKind::Make);
    writer.U32(static_cast<std::uint32_t>(options.range))
        .U8(static_cast<std::uint8_t>(options.fit));
    Colour(writer, options.background).U32(static_cast<std::uint32_t>(options.bandRows));
    writer.U32(static_cast<std::uint32_t>(options.bandStops.size()));
    for (const Rgb& stop : options.bandStops) {
        Colour(writer, stop);
    }
    std::uint32_t dither = 0;
    std::memcpy(&dither, &options.dither, sizeof dither);
    return writer.U32(dither).Done();
}

Message ProgressMessage(int percent) {
    return Writer(MessageKind::Progress).U8(static_cast<std::uint8_t>(percent)).Done();
}

Message DecodedMessage(const DecodedBody& body) {
    return Writer(MessageKind::Decoded).U32(body.width).U32(body.height).Texts(body.repairs).Done();
}

Message ScreenMessage(const ScreenBody& body) {
    return Writer(MessageKind::Screen).Bytes(body.file).Texts(body.repairs).Done();
}

Message FailedMessage(const ImportError& error) {
    return Writer(MessageKind::Failed)
        .U8(static_cast<std::uint8_t>(error.kind))
        .U32(static_cast<std::uint32_t>(error.systemError))
        .U64(error.width)
        .U64(error.height)
        .U64(error.limit)
        .Text(error.detail)
        .Done();
}

Message MisbehaveRequest(const MisbehaveBody& body) {
    return Writer(MessageKind::Misbehave).U8(static_cast<std::uint8_t>(body.how)).Text(body.path).Done();
}

Result<ReadyBody, ProtocolError> ParseReady(std::span<const std::uint8_t> body) {
    Reader reader(body);
    ReadyBody ready;
    ready.protocol = reader.U32();
    ready.version = reader.Text();
    return reader.Finish(std::move(ready), "Ready");
}

Result<ImportOptions, ProtocolError> ParseMake(std::span<const std::uint8_t> body) {
    Reader reader(body);
    ImportOptions options;
    options.range = static_cast<int>(reader.U32());
    const std::uint8_t fit = reader.U8();
    options.fit = static_cast<Fit>(std::min(fit, kLastFit));
    options.background = Colour(reader);
    options.bandRows = static_cast<int>(reader.U32());
    const std::uint32_t stops = reader.U32();
    options.bandStops.clear();
    for (std::uint32_t i = 0; i < stops && i < body.size(); ++i) {
        options.bandStops.push_back(Colour(reader));
    }
    const std::uint32_t dither = reader.U32();
    std::memcpy(&options.dither, &dither, sizeof dither);
    if (fit > kLastFit || options.bandStops.size() != stops) {
        return Failure{ProtocolError{"a Make message with a fit or stops that do not exist"}};
    }
    return reader.Finish(std::move(options), "Make");
}

Result<int, ProtocolError> ParseProgress(std::span<const std::uint8_t> body) {
    Reader reader(body);
    const int percent = reader.U8();
    return reader.Finish(std::min(percent, 100), "Progress");
}

Result<DecodedBody, ProtocolError> ParseDecoded(std::span<const std::uint8_t> body) {
    Reader reader(body);
    DecodedBody decoded;
    decoded.width = reader.U32();
    decoded.height = reader.U32();
    decoded.repairs = reader.Texts();
    return reader.Finish(std::move(decoded), "Decoded");
}

Result<ScreenBody, ProtocolError> ParseScreen(std::span<const std::uint8_t> body) {
    Reader reader(body);
    ScreenBody screen;
    screen.file = reader.Bytes();
    screen.repairs = reader.Texts();
    return reader.Finish(std::move(screen), "Screen");
}

Result<ImportError, ProtocolError> ParseFailed(std::span<const std::uint8_t> body) {
    Reader reader(body);
    ImportError error;
    const std::uint8_t kind = reader.U8();
    error.kind = static_cast<ImportErrorKind>(std::min(kind, kLastErrorKind));
    error.systemError = static_cast<int>(reader.U32());
    error.width = reader.U64();
    error.height = reader.U64();
    error.limit = reader.U64();
    error.detail = reader.Text();
    if (kind > kLastErrorKind) {
        return Failure{ProtocolError{"a Failed message of an unknown kind"}};
    }
    return reader.Finish(std::move(error), "Failed");
}

Result<MisbehaveBody, ProtocolError> ParseMisbehave(std::span<const std::uint8_t> body) {
    Reader reader(body);
    MisbehaveBody misbehave;
    const std::uint8_t how = reader.U8();
    misbehave.how = static_cast<Misbehaviour>(how);
    misbehave.path = reader.Text();
    if (how == 0 || how > kLastMisbehaviour) {
        return Failure{ProtocolError{"a Misbehave message of an unknown kind"}};
    }
    return reader.Finish(std::move(misbehave), "Misbehave");
}

}  // namespace rotopal
