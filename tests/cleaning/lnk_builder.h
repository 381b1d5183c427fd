#pragma once
// Builds .lnk files by the Shell Link binary format, for the tests of the shortcut readers.

#include <cstdint>
#include <string>

namespace vantum::test {

struct LnkFixture {
    std::string localBasePath;             // empty: no VolumeID and local base path
    std::u16string localBasePathUnicode;   // written too when not empty (LinkInfo header 0x24)
    std::string netName;                   // empty: no common network relative link
    std::u16string netNameUnicode;
    std::string commonPathSuffix;
    bool idList = true;
    bool stringData = true;                // a relative path and a working folder after LinkInfo
    std::uint32_t extraFlags = 0;          // or'ed into LinkFlags
};

inline void PutU16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void PutU32(std::string& s, std::uint32_t v) {
    PutU16(s, v & 0xFFFF);
    PutU16(s, v >> 16);
}
inline void SetU32(std::string& s, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutUtf16z(std::string& s, const std::u16string& text) {
    for (char16_t c : text) PutU16(s, c);
    PutU16(s, 0);
}
inline void PutCountedUtf16(std::string& s, const std::u16string& text) {
    PutU16(s, static_cast<std::uint32_t>(text.size()));
    for (char16_t c : text) PutU16(s, c);
}

inline std::string BuildLnk(const LnkFixture& f) {
    const bool hasInfo = !f.localBasePath.empty() || !f.netName.empty();
    std::uint32_t flags = f.extraFlags | 0x80 /* IsUnicode */;
    if (f.idList) flags |= 0x1;
    if (hasInfo) flags |= 0x2;
    if (f.stringData) flags |= 0x8 | 0x10;  // HasRelativePath, HasWorkingDir

    std::string s;
    PutU32(s, 0x4C);
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    s.append(reinterpret_cast<const char*>(clsid), 16);
    PutU32(s, flags);
    PutU32(s, 0x20);               // FileAttributes: archive
    s.append(24, '\0');            // creation, access, write times
    PutU32(s, 1234);               // FileSize
    PutU32(s, 0);                  // IconIndex
    PutU32(s, 1);                  // ShowCommand: normal
    PutU16(s, 0);                  // HotKey
    s.append(10, '\0');            // reserved

    if (f.idList) {
        // One opaque item of 4 bytes, then the terminating empty item.
        PutU16(s, 8);
        PutU16(s, 6);
        s.append("\x1f\x50\x00\x00", 4);
        PutU16(s, 0);
    }

    if (hasInfo) {
        const bool unicode = !f.localBasePathUnicode.empty() || !f.netNameUnicode.empty();
        const std::uint32_t headerSize = unicode ? 0x24 : 0x1C;
        std::string info(headerSize, '\0');
        std::uint32_t infoFlags = 0;
        std::uint32_t volumeOffset = 0, localOffset = 0, netOffset = 0, suffixOffset = 0;
        std::uint32_t localOffsetU = 0, suffixOffsetU = 0;
        if (!f.localBasePath.empty()) {
            infoFlags |= 0x1;
            volumeOffset = static_cast<std::uint32_t>(info.size());
            PutU32(info, 0x11);    // VolumeIDSize
            PutU32(info, 3);       // DriveType: fixed
            PutU32(info, 0xCAFE);  // DriveSerialNumber
            PutU32(info, 0x10);    // VolumeLabelOffset
            info += '\0';          // empty label
            localOffset = static_cast<std::uint32_t>(info.size());
            info += f.localBasePath;
            info += '\0';
        }
        if (!f.netName.empty()) {
            infoFlags |= 0x2;
            netOffset = static_cast<std::uint32_t>(info.size());
            std::string net;
            const bool netUnicode = !f.netNameUnicode.empty();
            const std::uint32_t netHeader = netUnicode ? 0x1C : 0x14;
            PutU32(net, 0);              // size, set below
            PutU32(net, 0x2);            // ValidNetType
            PutU32(net, netHeader);      // NetNameOffset
            PutU32(net, 0);              // DeviceNameOffset
            PutU32(net, 0x00020000);     // NetworkProviderType: LanMan
            if (netUnicode) {
                PutU32(net, 0);          // NetNameOffsetUnicode, set below
                PutU32(net, 0);          // DeviceNameOffsetUnicode
            }
            net += f.netName;
            net += '\0';
            if (netUnicode) {
                SetU32(net, 0x14, static_cast<std::uint32_t>(net.size()));
                PutUtf16z(net, f.netNameUnicode);
            }
            SetU32(net, 0, static_cast<std::uint32_t>(net.size()));
            info += net;
        }
        suffixOffset = static_cast<std::uint32_t>(info.size());
        info += f.commonPathSuffix;
        info += '\0';
        if (unicode) {
            if (!f.localBasePathUnicode.empty()) {
                localOffsetU = static_cast<std::uint32_t>(info.size());
                PutUtf16z(info, f.localBasePathUnicode);
            }
            suffixOffsetU = static_cast<std::uint32_t>(info.size());
            PutUtf16z(info, std::u16string(f.commonPathSuffix.begin(), f.commonPathSuffix.end()));
        }
        SetU32(info, 0, static_cast<std::uint32_t>(info.size()));
        SetU32(info, 4, headerSize);
        SetU32(info, 8, infoFlags);
        SetU32(info, 12, volumeOffset);
        SetU32(info, 16, localOffset);
        SetU32(info, 20, netOffset);
        SetU32(info, 24, suffixOffset);
        if (unicode) {
            SetU32(info, 28, localOffsetU);
            SetU32(info, 32, suffixOffsetU);
        }
        s += info;
    }

    if (f.stringData) {
        PutCountedUtf16(s, u"..\\elsewhere\\decoy.exe");
        PutCountedUtf16(s, u"D:\\decoy");
    }
    PutU32(s, 0);  // no extra data blocks
    return s;
}

}  // namespace vantum::test
