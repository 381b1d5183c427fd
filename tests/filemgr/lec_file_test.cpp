#include "filemgr/lec_file.h"

#include <openssl/evp.h>
#include <openssl/sha.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "support/temp_dir.h"

namespace vantum {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Bytes(std::size_t n, unsigned seed = 7) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 17 + (i >> 7)) & 0xFF);
    return s;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// The format composed block by block from single AES encryptions, independently of the
// streaming code: check block, CBC body from V, partial block xor AES_K(last ciphertext).
std::string ReferenceLec(const std::string& pass, const std::string& plain) {
    unsigned char key[32];
    SHA1(reinterpret_cast<const unsigned char*>(pass.data()), pass.size(), key);
    std::memset(key + 20, 0xFF, 12);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, key, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    auto aes = [&](const unsigned char* in, unsigned char* out) {
        int len = 0;
        EVP_EncryptUpdate(ctx, out, &len, in, 16);
    };
    unsigned char v[16], ones[16];
    std::memset(ones, 0xFF, 16);
    aes(ones, v);
    auto cbc = [&](const unsigned char* data, std::size_t n, std::string& out) {
        unsigned char chain[16], block[16];
        std::memcpy(chain, v, 16);
        for (std::size_t at = 0; at + 16 <= n; at += 16) {
            for (int i = 0; i < 16; ++i) block[i] = data[at + i] ^ chain[i];
            aes(block, chain);
            out.append(reinterpret_cast<char*>(chain), 16);
        }
        if (n % 16) {
            unsigned char t[16];
            aes(chain, t);
            for (std::size_t i = 0; i < n % 16; ++i) out += static_cast<char>(data[n - n % 16 + i] ^ t[i]);
        }
    };
    std::string out;
    cbc(key, 32, out);
    cbc(reinterpret_cast<const unsigned char*>(plain.data()), plain.size(), out);
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

TEST(LecFile, KnownAnswers) {
    // Worked out with the openssl command line from the format's definition.
    TempDir dir;
    std::string plain40, plain15;
    for (int i = 0; i < 40; ++i) plain40 += static_cast<char>(i);
    plain15 = plain40.substr(0, 15);
    const struct {
        std::string pass, plain, hex;
    } cases[] = {
        {"secret", plain40,
         "4e597e9584797c545b69d093467d185309f568798d44094c46918ca4780f9443ed234562594bca96729be7b3be33a891"
         "f93b4d9004e06a03cc6818393c3be5b824ddd1da3d48fc70"},
        {"", plain15,
         "853bcf134cf319a9d41c0844ca17336f3bb074241703eafa1c98c00bfc4c8236f4e95cf85970868dea30f92ce0b777"},
    };
    for (const auto& c : cases) {
        const std::string src = dir.write("plain", c.plain);
        ASSERT_TRUE(EncryptFile(src, dir / "out.lec", c.pass, ExistingTarget::Replace).ok);
        EXPECT_EQ(ReadFile(dir / "out.lec"), FromHex(c.hex)) << "passphrase '" << c.pass << "'";
    }
}

TEST(LecFile, RoundTripsAtBlockAndChunkBoundaries) {
    TempDir dir;
    for (const std::string pass : {"", "passphrase", "\xe4\xf6\xfc"}) {
        for (std::size_t n : {0, 1, 15, 16, 17, 8191, 8192, 8193, 3 * 8192 + 5}) {
            SCOPED_TRACE("size " + std::to_string(n) + " passphrase '" + pass + "'");
            const std::string plain = Bytes(n);
            const std::string src = dir.write("p.bin", plain);
            const LecResult enc = EncryptFile(src, dir / "p.lec", pass, ExistingTarget::Replace);
            ASSERT_TRUE(enc.ok) << enc.message;
            const std::string lec = ReadFile(dir / "p.lec");
            EXPECT_EQ(lec.size(), n + 32);
            EXPECT_EQ(lec, ReferenceLec(pass, plain));
            const LecResult dec = DecryptFile(dir / "p.lec", dir / "back.bin", pass, ExistingTarget::Replace);
            ASSERT_TRUE(dec.ok) << dec.message;
            EXPECT_EQ(ReadFile(dir / "back.bin"), plain);
        }
    }
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"p.bin", "p.lec", "back.bin"}));
}

TEST(LecFile, WrongPassphraseWritesNothing) {
    TempDir dir;
    const std::string src = dir.write("doc.txt", Bytes(5000));
    ASSERT_TRUE(EncryptFile(src, dir / "doc.lec", "right").ok);
    const std::string target = dir.write("plain.txt", "older contents");
    for (const ExistingTarget existing : {ExistingTarget::Keep, ExistingTarget::Replace}) {
        const LecResult r = DecryptFile(dir / "doc.lec", target, "wrong", existing);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, "Incorrect passphrase");
    }
    const LecResult r = DecryptFile(dir / "doc.lec", dir / "new.txt", "", ExistingTarget::Keep);
    EXPECT_EQ(r.message, "Incorrect passphrase");
    EXPECT_EQ(ReadFile(target), "older contents");
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"doc.txt", "doc.lec", "plain.txt"}));
}

TEST(LecFile, ExistingTargetIsKeptUnlessReplacing) {
    TempDir dir;
    const std::string src = dir.write("a.txt", "secret data");
    const std::string target = dir.write("a.lec", "someone else's file");
    LecResult r = EncryptFile(src, target, "k", ExistingTarget::Keep);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, target + " already exists");
    EXPECT_EQ(ReadFile(target), "someone else's file");
    r = EncryptFile(src, target, "k", ExistingTarget::Replace);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ReadFile(target).size(), 11u + 32);
}

TEST(LecFile, TruncatedEncryptedFileIsRefused) {
    TempDir dir;
    for (std::size_t n : {0, 1, 31}) {
        const std::string lec = dir.write("short.lec", Bytes(n));
        const LecResult r = DecryptFile(lec, dir / "out", "x");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, lec + " is too short to be an encrypted file");
    }
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"short.lec"}));
}

TEST(LecFile, SourceThatCannotBeRead) {
    TempDir dir;
    dir.mkdir("folder");
    for (const std::string& src : {dir / "missing", dir / "folder"}) {
        EXPECT_EQ(EncryptFile(src, dir / "x.lec", "k").message, "Unable to open the in file");
        EXPECT_EQ(DecryptFile(src, dir / "x", "k").message, "Unable to open the in file");
    }
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"folder"}));
}

TEST(LecFile, ReadOnlySourceEncrypts) {
    TempDir dir;
    const std::string src = dir.write("ro.txt", "read only");
    ASSERT_EQ(chmod(src.c_str(), 0444), 0);
    const LecResult r = EncryptFile(src, dir / "ro.lec", "k");
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ReadFile(src), "read only");
}

TEST(LecFile, TargetFolderNotWritable) {
    TempDir dir;
    const std::string src = dir.write("a.txt", "abc");
    EXPECT_EQ(EncryptFile(src, dir / "no/such/folder/a.lec", "k").message, "Unable to open then out file");
    if (geteuid() == 0) return;  // root writes into any folder; the missing folder stands in
    const std::string locked = dir.mkdir("locked");
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    EXPECT_EQ(EncryptFile(src, locked + "/a.lec", "k").message, "Unable to open then out file");
    chmod(locked.c_str(), 0755);
    EXPECT_TRUE(Names(locked).empty());
}

TEST(LecFile, WriteErrorLeavesNoPartialTarget) {
    // A file size limit makes the body's writes fail part way, as a full disk would.
    TempDir dir;
    const std::string src = dir.write("big.bin", Bytes(40000));
    ASSERT_TRUE(EncryptFile(src, dir / "big.lec", "k").ok);
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const LecResult enc = EncryptFile(src, dir / "again.lec", "k");
    const LecResult dec = DecryptFile(dir / "big.lec", dir / "back.bin", "k");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(enc.ok);
    EXPECT_NE(enc.message.find("Error writing " + dir / "again.lec"), std::string::npos) << enc.message;
    EXPECT_FALSE(dec.ok);
    EXPECT_NE(dec.message.find("Error writing"), std::string::npos) << dec.message;
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"big.bin", "big.lec"}));
}

}  // namespace
}  // namespace vantum
