#include "cleaning/lnk_reader.h"

#include <cstdint>
#include <optional>

namespace vantum::cleaning {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
// LinkCLSID 00021401-0000-0000-C000-000000000046 as stored (little-endian fields).
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr std::uint32_t kHasLinkTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;

constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x2;

// Bounds-checked little-endian reads over one block of the file.
class Block {
public:
    explicit Block(std::string_view d) : d_(d) {}
    size_t size() const { return d_.size(); }
    std::optional<std::uint32_t> U32(size_t at) const {
        if (at > d_.size() || d_.size() - at < 4) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d_[at + i]);
        return v;
    }
    std::optional<std::uint16_t> U16(size_t at) const {
        if (at > d_.size() || d_.size() - at < 2) return std::nullopt;
        return static_cast<std::uint16_t>(static_cast<unsigned char>(d_[at]) | (static_cast<unsigned char>(d_[at + 1]) << 8));
    }
    // NUL-terminated 8-bit string at offset; nullopt when it runs past the block.
    std::optional<std::string> Ansi(size_t at) const {
        if (at >= d_.size()) return std::nullopt;
        size_t end = d_.find('\0', at);
        if (end == std::string_view::npos) return std::nullopt;
        return std::string(d_.substr(at, end - at));
    }
    // NUL-terminated UTF-16LE string at offset, as UTF-8.
    std::optional<std::string> Unicode(size_t at) const {
        std::string out;
        for (size_t i = at;; i += 2) {
            auto unit = U16(i);
            if (!unit) return std::nullopt;
            std::uint32_t cp = *unit;
            if (cp == 0) return out;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                auto low = U16(i + 2);
                if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                    i += 2;
                } else {
                    cp = 0xFFFD;
                }
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
            AppendUtf8(out, cp);
        }
    }

private:
    static void AppendUtf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    std::string_view d_;
};

// A string given by an 8-bit offset and an optional Unicode offset (0 = absent); the
// Unicode form wins when present.
std::optional<std::string> PickString(const Block& b, std::uint32_t ansiOffset, std::uint32_t unicodeOffset) {
    if (unicodeOffset != 0) return b.Unicode(unicodeOffset);
    if (ansiOffset != 0) return b.Ansi(ansiOffset);
    return std::nullopt;
}

std::string Join(std::string base, const std::string& suffix) {
    if (suffix.empty()) return base;
    if (!base.empty() && base.back() != '\\') base += '\\';
    return base + suffix;
}

}  // namespace

std::string ParseShellLinkTarget(std::string_view data) {
    Block header(data);
    if (header.U32(0) != kHeaderSize || data.size() < kHeaderSize) return {};
    if (data.compare(4, 16, std::string_view(reinterpret_cast<const char*>(kLinkClsid), 16)) != 0) return {};
    std::uint32_t flags = *header.U32(20);
    size_t pos = kHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        auto idListSize = header.U16(pos);
        if (!idListSize) return {};
        pos += 2 + *idListSize;
    }
    if (!(flags & kHasLinkInfo) || (flags & kForceNoLinkInfo) || pos >= data.size()) return {};

    auto infoSize = header.U32(pos);
    if (!infoSize || *infoSize < 0x1C || *infoSize > data.size() - pos) return {};
    Block info(data.substr(pos, *infoSize));
    std::uint32_t infoHeaderSize = info.U32(4).value_or(0);
    std::uint32_t infoFlags = info.U32(8).value_or(0);
    std::uint32_t localBaseOffset = info.U32(16).value_or(0);
    std::uint32_t networkOffset = info.U32(20).value_or(0);
    std::uint32_t suffixOffset = info.U32(24).value_or(0);
    std::uint32_t localBaseOffsetUnicode = 0, suffixOffsetUnicode = 0;
    if (infoHeaderSize >= 0x24) {
        localBaseOffsetUnicode = info.U32(28).value_or(0);
        suffixOffsetUnicode = info.U32(32).value_or(0);
    }
    std::string suffix = PickString(info, suffixOffset, suffixOffsetUnicode).value_or(std::string());

    // A network location comes first, so that a target on a share reads in UNC form.
    if ((infoFlags & kCommonNetworkRelativeLinkAndPathSuffix) && networkOffset != 0) {
        auto netSize = info.U32(networkOffset);
        if (netSize && *netSize >= 0x14 && *netSize <= info.size() - networkOffset) {
            Block net(data.substr(pos + networkOffset, *netSize));
            std::uint32_t netNameOffset = net.U32(8).value_or(0);
            std::uint32_t netNameOffsetUnicode = netNameOffset > 0x14 ? net.U32(20).value_or(0) : 0;
            auto name = PickString(net, netNameOffset, netNameOffsetUnicode);
            if (name && !name->empty()) return Join(*name, suffix);
        }
    }
    if ((infoFlags & kVolumeIdAndLocalBasePath) && localBaseOffset != 0) {
        auto base = PickString(info, localBaseOffset, localBaseOffsetUnicode);
        if (base && !base->empty()) return Join(*base, suffix);
    }
    return {};
}

}  // namespace vantum::cleaning
