#pragma once
// The cipher of .lec files: AES-256 keyed by K = SHA-1(passphrase) followed by 12 bytes 0xFF,
// CBC from V = AES_K(16 x 0xFF), and a final partial block xored with AES_K(last full
// ciphertext block). Streaming: any number of calls, each a whole number of 16-byte blocks,
// except the last, which may end with a partial block.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

namespace vantum {

class LecCipher {
public:
    enum class Direction { Encrypt, Decrypt };
    static constexpr std::size_t kCheckSize = 32;
    using CheckBlock = std::array<std::uint8_t, kCheckSize>;

    LecCipher(std::string_view passphrase, Direction direction);
    ~LecCipher();  // wipes key, chaining value and key schedules
    LecCipher(const LecCipher&) = delete;
    LecCipher& operator=(const LecCipher&) = delete;

    // The 32-byte key encrypted with itself in CBC from V. Leaves the body's chaining at V.
    CheckBlock Check() const;

    // Encrypts or decrypts in place. A size that is not a multiple of 16 ends the stream.
    // Throws std::logic_error when called after the stream has ended.
    void Process(std::uint8_t* data, std::size_t size);

private:
    void EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;

    Direction direction_;
    std::uint8_t key_[32];
    std::uint8_t v_[16];
    std::uint8_t chain_[16];  // last full ciphertext block (V before the first)
    bool ended_ = false;
    EVP_CIPHER_CTX* ecb_ = nullptr;  // forward cipher, single blocks
    EVP_CIPHER_CTX* cbc_ = nullptr;  // the body in the chosen direction
};

}  // namespace vantum
