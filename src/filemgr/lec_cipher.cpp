#include "filemgr/lec_cipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstring>
#include <stdexcept>

namespace vantum {

namespace {

[[noreturn]] void CipherFailure() { throw std::runtime_error("AES cipher failure"); }

EVP_CIPHER_CTX* NewContext() {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx) throw std::bad_alloc();
    return ctx;
}

}  // namespace

LecCipher::LecCipher(std::string_view passphrase, Direction direction) : direction_(direction) {
    SHA1(reinterpret_cast<const unsigned char*>(passphrase.data()), passphrase.size(), key_);
    std::memset(key_ + SHA_DIGEST_LENGTH, 0xFF, sizeof key_ - SHA_DIGEST_LENGTH);
    try {
        ecb_ = NewContext();
        cbc_ = NewContext();
        if (EVP_EncryptInit_ex(ecb_, EVP_aes_256_ecb(), nullptr, key_, nullptr) != 1) CipherFailure();
        EVP_CIPHER_CTX_set_padding(ecb_, 0);
        std::uint8_t ones[16];
        std::memset(ones, 0xFF, sizeof ones);
        EncryptBlock(ones, v_);
        std::memcpy(chain_, v_, sizeof chain_);
        const int ok = direction == Direction::Encrypt
                           ? EVP_EncryptInit_ex(cbc_, EVP_aes_256_cbc(), nullptr, key_, v_)
                           : EVP_DecryptInit_ex(cbc_, EVP_aes_256_cbc(), nullptr, key_, v_);
        if (ok != 1) CipherFailure();
        EVP_CIPHER_CTX_set_padding(cbc_, 0);
    } catch (...) {
        EVP_CIPHER_CTX_free(cbc_);
        EVP_CIPHER_CTX_free(ecb_);
        OPENSSL_cleanse(key_, sizeof key_);
        throw;
    }
}

LecCipher::~LecCipher() {
    // Freeing a context cleanses its key schedule.
    EVP_CIPHER_CTX_free(cbc_);
    EVP_CIPHER_CTX_free(ecb_);
    OPENSSL_cleanse(key_, sizeof key_);
    OPENSSL_cleanse(v_, sizeof v_);
    OPENSSL_cleanse(chain_, sizeof chain_);
}

void LecCipher::EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    int len = 0;
    if (EVP_EncryptUpdate(ecb_, out, &len, in, 16) != 1 || len != 16) CipherFailure();
}

LecCipher::CheckBlock LecCipher::Check() const {
    CheckBlock check;
    std::uint8_t block[16];
    for (int i = 0; i < 16; ++i) block[i] = key_[i] ^ v_[i];
    EncryptBlock(block, check.data());
    for (int i = 0; i < 16; ++i) block[i] = key_[16 + i] ^ check[i];
    EncryptBlock(block, check.data() + 16);
    OPENSSL_cleanse(block, sizeof block);
    return check;
}

void LecCipher::Process(std::uint8_t* data, std::size_t size) {
    if (ended_) throw std::logic_error("LecCipher: data after the final partial block");
    // EVP takes int lengths: very large buffers go in whole-block pieces.
    constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
    while (size > kMaxPiece) {
        Process(data, kMaxPiece);
        data += kMaxPiece;
        size -= kMaxPiece;
    }
    const std::size_t whole = size - size % 16;
    if (whole > 0) {
        // The next chaining value is the last ciphertext block: the output when encrypting,
        // the input (overwritten in place) when decrypting.
        std::uint8_t last_in[16];
        if (direction_ == Direction::Decrypt) std::memcpy(last_in, data + whole - 16, 16);
        int len = 0;
        const int ok = direction_ == Direction::Encrypt
                           ? EVP_EncryptUpdate(cbc_, data, &len, data, static_cast<int>(whole))
                           : EVP_DecryptUpdate(cbc_, data, &len, data, static_cast<int>(whole));
        if (ok != 1 || static_cast<std::size_t>(len) != whole) CipherFailure();
        std::memcpy(chain_, direction_ == Direction::Encrypt ? data + whole - 16 : last_in, 16);
    }
    const std::size_t rest = size - whole;
    if (rest > 0) {
        std::uint8_t pad[16];
        EncryptBlock(chain_, pad);
        for (std::size_t i = 0; i < rest; ++i) data[whole + i] ^= pad[i];
        OPENSSL_cleanse(pad, sizeof pad);
        ended_ = true;
    }
}

}  // namespace vantum
