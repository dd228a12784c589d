#include "import/icc_profile.h"

#include <array>
#include <cmath>
#include <optional>

namespace rotopal {
namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kTagEntryBytes = 12;
// Tags a profile of a few kilobytes needs; more entries than this is not a profile we read.
constexpr std::uint32_t kMaxTags = 100;

constexpr std::uint32_t Signature(const char (&text)[5]) {
    return std::uint32_t(static_cast<unsigned char>(text[0])) << 24 |
           std::uint32_t(static_cast<unsigned char>(text[1])) << 16 |
           std::uint32_t(static_cast<unsigned char>(text[2])) << 8 |
           std::uint32_t(static_cast<unsigned char>(text[3]));
}

// sRGB's primaries adapted to D50 (IEC 61966-2-1, as every sRGB profile stores them), and how
// far a profile's may lie from them: s15Fixed16 rounding and the adaptations in use stay well
// within it, while Display P3 or Adobe RGB lie ten times further off.
constexpr std::array<std::array<double, 3>, 3> kColorants{{{0.4361, 0.2225, 0.0139},
                                                         {0.3851, 0.7169, 0.0971},
                                                         {0.1431, 0.0606, 0.7141}}};
constexpr double kColorantTolerance = 0.003;
// How far a tone curve may stray from sRGB's, in the curve's 0 to 1 output.
constexpr double kCurveTolerance = 0.004;

double SrgbToLinear(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

class Profile {
public:
    explicit Profile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<std::uint32_t> U32(std::size_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) {
            return std::nullopt;
        }
        return std::uint32_t{bytes_[at]} << 24 | std::uint32_t{bytes_[at + 1]} << 16 |
               std::uint32_t{bytes_[at + 2]} << 8 | bytes_[at + 3];
    }
    std::optional<std::uint16_t> U16(std::size_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 2) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(bytes_[at] << 8 | bytes_[at + 1]);
    }
    std::optional<double> Fixed(std::size_t at) const {
        const auto raw = U32(at);
        return raw ? std::optional<double>(static_cast<std::int32_t>(*raw) / 65536.0) : std::nullopt;
    }

    // Where the tag's data starts and how long it is, checked to lie inside the profile.
    struct Tag {
        std::size_t at = 0;
        std::size_t size = 0;
    };
    std::optional<Tag> Find(std::uint32_t signature) const {
        const auto count = U32(kHeaderBytes);
        if (!count || *count > kMaxTags) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < *count; ++i) {
            const std::size_t entry = kHeaderBytes + 4 + kTagEntryBytes * i;
            const auto name = U32(entry), offset = U32(entry + 4), size = U32(entry + 8);
            if (!name || !offset || !size) {
                return std::nullopt;
            }
            if (*name == signature) {
                if (*offset > bytes_.size() || *size > bytes_.size() - *offset || *size < 8) {
                    return std::nullopt;
                }
                return Tag{*offset, *size};
            }
        }
        return std::nullopt;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

bool ColorantIsSrgb(const Profile& profile, std::uint32_t signature,
                    const std::array<double, 3>& expected) {
    const auto tag = profile.Find(signature);
    if (!tag || tag->size < 20 || profile.U32(tag->at) != Signature("XYZ ")) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const auto value = profile.Fixed(tag->at + 8 + 4 * i);
        if (!value || std::abs(*value - expected[i]) > kColorantTolerance) {
            return false;
        }
    }
    return true;
}

// The curve's output at a few inputs across the range, against sRGB's.
template <class Curve>
bool FollowsSrgb(Curve curve) {
    for (int step = 0; step <= 16; ++step) {
        const double x = step / 16.0;
        const auto y = curve(x);
        if (!y || std::abs(*y - SrgbToLinear(x)) > kCurveTolerance) {
            return false;
        }
    }
    return true;
}

bool CurveIsSrgb(const Profile& profile, std::uint32_t signature) {
    const auto tag = profile.Find(signature);
    if (!tag) {
        return false;
    }
    const auto type = profile.U32(tag->at);
    if (type == Signature("para")) {
        // Function type 3: Y = (aX + b)^g for X >= d, else cX. sRGB's is that kind.
        const auto function = profile.U16(tag->at + 8);
        if (function != 3 || tag->size < 12 + 5 * 4) {
            return false;
        }
        std::array<double, 5> p{};
        for (std::size_t i = 0; i < p.size(); ++i) {
            const auto value = profile.Fixed(tag->at + 12 + 4 * i);
            if (!value) {
                return false;
            }
            p[i] = *value;
        }
        const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4];
        return FollowsSrgb([=](double x) -> std::optional<double> {
            return x >= d ? std::pow(std::max(0.0, a * x + b), g) : c * x;
        });
    }
    if (type == Signature("curv")) {
        const auto count = profile.U32(tag->at + 8);
        // 0 entries is the identity and 1 a pure gamma: neither is sRGB's curve.
        if (!count || *count < 2 || *count > (tag->size - 12) / 2) {
            return false;
        }
        return FollowsSrgb([&](double x) -> std::optional<double> {
            const double position = x * (*count - 1);
            const auto below = static_cast<std::size_t>(std::floor(position));
            const auto above = std::min<std::size_t>(below + 1, *count - 1);
            const auto low = profile.U16(tag->at + 12 + 2 * below);
            const auto high = profile.U16(tag->at + 12 + 2 * above);
            if (!low || !high) {
                return std::nullopt;
            }
            const double t = position - static_cast<double>(below);
            return (*low + (*high - *low) * t) / 65535.0;
        });
    }
    return false;
}

}  // namespace

bool IsSrgbProfile(std::span<const std::uint8_t> bytes) {
    const Profile profile(bytes);
    if (bytes.size() < kHeaderBytes + 4 || profile.U32(16) != Signature("RGB ") ||
        profile.U32(20) != Signature("XYZ ")) {
        return false;
    }
    return ColorantIsSrgb(profile, Signature("rXYZ"), kColorants[0]) &&
           ColorantIsSrgb(profile, Signature("gXYZ"), kColorants[1]) &&
           ColorantIsSrgb(profile, Signature("bXYZ"), kColorants[2]) &&
           CurveIsSrgb(profile, Signature("rTRC")) && CurveIsSrgb(profile, Signature("gTRC")) &&
           CurveIsSrgb(profile, Signature("bTRC"));
}

}  // namespace rotopal
