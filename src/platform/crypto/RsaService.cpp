#include "platform/crypto/RsaService.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstring>

namespace tessarin {

namespace {

// Texts of the platform's own error messages for the conditions we detect
// ourselves, so users see the same words whichever side found the fault.
constexpr const char* kBadKey = "Bad Key.";
constexpr const char* kBadData = "Bad Data.";
constexpr const char* kBadLength = "Bad Length.";
constexpr const char* kBadType = "Invalid type specified.";
constexpr const char* kBadVersion = "Bad Version of provider.";
constexpr const char* kBadAlgorithm = "Invalid algorithm specified.";
constexpr const char* kNoPrivateKey = "Key does not exist.";

struct BnDeleter {
    void operator()(BIGNUM* b) const { BN_clear_free(b); }
};
using BnPtr = std::unique_ptr<BIGNUM, BnDeleter>;
struct BnCtxDeleter {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};
using BnCtxPtr = std::unique_ptr<BN_CTX, BnCtxDeleter>;
struct PkeyDeleter {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
struct PkeyCtxDeleter {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxDeleter>;
struct ParamBldDeleter {
    void operator()(OSSL_PARAM_BLD* b) const { OSSL_PARAM_BLD_free(b); }
};
using ParamBldPtr = std::unique_ptr<OSSL_PARAM_BLD, ParamBldDeleter>;
struct ParamDeleter {
    void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); }
};
using ParamPtr = std::unique_ptr<OSSL_PARAM, ParamDeleter>;

// The library's text for its most recent error, or the fallback when it left
// none. Clears the library's error queue.
std::string LibraryError(const char* fallback) {
    unsigned long last = 0;
    while (const unsigned long e = ERR_get_error()) last = e;
    if (last == 0) return fallback;
    char buffer[256];
    ERR_error_string_n(last, buffer, sizeof buffer);
    return buffer;
}

// A byte vector whose content is wiped when it goes away.
class Scratch {
public:
    explicit Scratch(std::size_t n) : m_bytes(n, 0) {}
    ~Scratch() { SecureWipe(m_bytes.data(), m_bytes.size()); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::uint8_t* data() { return m_bytes.data(); }
    std::size_t size() const { return m_bytes.size(); }
    ByteVector Take(std::size_t n) {
        return ByteVector(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(n));
    }

private:
    ByteVector m_bytes;
};

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

KeyBlobProblem CheckBlob(std::span<const std::uint8_t> blob, std::uint8_t type, std::uint32_t magic, std::size_t size) {
    if (blob.size() < kRsaBlobHeaderSize) return KeyBlobProblem::Truncated;
    if (blob[0] != type) return KeyBlobProblem::WrongType;
    if (blob[1] != kKeyBlobVersion) return KeyBlobProblem::WrongVersion;
    if (Le32(blob.data() + 4) != kCalgRsaKeyx) return KeyBlobProblem::WrongAlgorithm;
    if (Le32(blob.data() + 8) != magic) return KeyBlobProblem::WrongMagic;
    if (Le32(blob.data() + 12) != kRsaBits) return KeyBlobProblem::WrongBitLength;
    if (blob.size() < size) return KeyBlobProblem::Truncated;
    if (blob.size() != size) return KeyBlobProblem::WrongSize;
    return KeyBlobProblem::None;
}

BnPtr LeToBn(std::span<const std::uint8_t> bytes) {
    return BnPtr(BN_lebin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
}

bool BnToLe(const BIGNUM* bn, std::uint8_t* out, std::size_t width) {
    return BN_bn2lebinpad(bn, out, static_cast<int>(width)) == static_cast<int>(width);
}

}  // namespace

// ---------------------------------------------------------------------------

KeyBlobProblem CheckPublicKeyBlob(std::span<const std::uint8_t> blob) {
    return CheckBlob(blob, kPublicKeyBlobType, kRsa1Magic, kPublicKeyBlobSize);
}

KeyBlobProblem CheckPrivateKeyBlob(std::span<const std::uint8_t> blob) {
    return CheckBlob(blob, kPrivateKeyBlobType, kRsa2Magic, kPrivateKeyBlobSize);
}

std::string KeyBlobProblemText(KeyBlobProblem problem) {
    switch (problem) {
        case KeyBlobProblem::None:
            return {};
        case KeyBlobProblem::Truncated:
        case KeyBlobProblem::WrongSize:
            return kBadLength;
        case KeyBlobProblem::WrongType:
            return kBadType;
        case KeyBlobProblem::WrongVersion:
            return kBadVersion;
        case KeyBlobProblem::WrongAlgorithm:
            return kBadAlgorithm;
        case KeyBlobProblem::WrongMagic:
        case KeyBlobProblem::WrongBitLength:
            return kBadKey;
    }
    return kBadKey;
}

void SecureWipe(void* data, std::size_t length) {
    if (data && length) OPENSSL_cleanse(data, length);
}

// ---------------------------------------------------------------------------

struct RsaKey::Impl {
    PkeyPtr pkey;
    bool hasPrivate = false;
};

RsaKey::RsaKey(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
RsaKey::RsaKey(RsaKey&&) noexcept = default;
RsaKey& RsaKey::operator=(RsaKey&&) noexcept = default;
RsaKey::~RsaKey() = default;  // EVP_PKEY_free clears the key's numbers

bool RsaKey::HasPrivate() const {
    return m_impl && m_impl->hasPrivate;
}

RsaResult<RsaKey> RsaKey::Import(std::span<const std::uint8_t> blob) {
    ERR_clear_error();
    if (blob.size() < kRsaBlobHeaderSize) return RsaResult<RsaKey>::Failure(kBadLength);
    const bool isPrivate = blob[0] == kPrivateKeyBlobType;
    const KeyBlobProblem problem = isPrivate ? CheckPrivateKeyBlob(blob) : CheckPublicKeyBlob(blob);
    if (problem != KeyBlobProblem::None) return RsaResult<RsaKey>::Failure(KeyBlobProblemText(problem));

    const std::uint32_t exponent = Le32(blob.data() + 16);
    if (exponent < 3 || (exponent & 1) == 0) return RsaResult<RsaKey>::Failure(kBadKey);

    std::size_t at = kRsaBlobHeaderSize;
    auto take = [&](std::size_t n) {
        auto s = blob.subspan(at, n);
        at += n;
        return LeToBn(s);
    };
    BnPtr n = take(kRsaModulusSize);
    BnPtr e(BN_new());
    if (!n || !e || !BN_set_word(e.get(), exponent)) return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));
    // A 1024-bit key has its top modulus bit set; anything shorter would give
    // ciphertexts of the wrong width.
    if (BN_num_bits(n.get()) != static_cast<int>(kRsaBits)) return RsaResult<RsaKey>::Failure(kBadKey);

    ParamBldPtr bld(OSSL_PARAM_BLD_new());
    if (!bld || !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) ||
        !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_E, e.get()))
        return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));

    BnPtr p, q, dp, dq, qinv, d;
    if (isPrivate) {
        p = take(kRsaHalfSize);
        q = take(kRsaHalfSize);
        dp = take(kRsaHalfSize);
        dq = take(kRsaHalfSize);
        qinv = take(kRsaHalfSize);
        d = take(kRsaModulusSize);
        if (!p || !q || !dp || !dq || !qinv || !d) return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));
        // The primes must make the modulus, or every private operation is wrong.
        BnCtxPtr ctx(BN_CTX_new());
        BnPtr product(BN_new());
        if (!ctx || !product || !BN_mul(product.get(), p.get(), q.get(), ctx.get()))
            return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));
        if (BN_cmp(product.get(), n.get()) != 0 || BN_is_zero(d.get()) || BN_is_one(p.get()) || BN_is_one(q.get()))
            return RsaResult<RsaKey>::Failure(kBadKey);
        if (!OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_D, d.get()) ||
            !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_FACTOR1, p.get()) ||
            !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_FACTOR2, q.get()) ||
            !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_EXPONENT1, dp.get()) ||
            !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_EXPONENT2, dq.get()) ||
            !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_COEFFICIENT1, qinv.get()))
            return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));
    }
    ParamPtr params(OSSL_PARAM_BLD_to_param(bld.get()));
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0)
        return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_fromdata(ctx.get(), &raw, isPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params.get()) <= 0 ||
        !raw)
        return RsaResult<RsaKey>::Failure(LibraryError(kBadKey));
    auto impl = std::make_unique<Impl>();
    impl->pkey.reset(raw);
    impl->hasPrivate = isPrivate;
    return RsaKey(std::move(impl));
}

RsaResult<RsaKey> RsaKey::Generate() {
    ERR_clear_error();
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    BnPtr e(BN_new());
    if (!ctx || !e || !BN_set_word(e.get(), kRsaPublicExponent) || EVP_PKEY_keygen_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), static_cast<int>(kRsaBits)) <= 0 ||
        EVP_PKEY_CTX_set1_rsa_keygen_pubexp(ctx.get(), e.get()) <= 0)
        return RsaResult<RsaKey>::Failure(LibraryError("Could not create the key."));
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_generate(ctx.get(), &raw) <= 0 || !raw)
        return RsaResult<RsaKey>::Failure(LibraryError("Could not create the key."));
    auto impl = std::make_unique<Impl>();
    impl->pkey.reset(raw);
    impl->hasPrivate = true;
    return RsaKey(std::move(impl));
}

namespace {

BnPtr GetBn(const EVP_PKEY* pkey, const char* name) {
    BIGNUM* bn = nullptr;
    if (EVP_PKEY_get_bn_param(pkey, name, &bn) <= 0) return nullptr;
    return BnPtr(bn);
}

void WriteHeader(std::uint8_t* out, std::uint8_t type, std::uint32_t magic, std::uint32_t exponent) {
    out[0] = type;
    out[1] = kKeyBlobVersion;
    out[2] = 0;
    out[3] = 0;
    PutLe32(out + 4, kCalgRsaKeyx);
    PutLe32(out + 8, magic);
    PutLe32(out + 12, static_cast<std::uint32_t>(kRsaBits));
    PutLe32(out + 16, exponent);
}

}  // namespace

RsaResult<ByteVector> RsaKey::ExportPublicBlob() const {
    ERR_clear_error();
    if (!m_impl) return RsaResult<ByteVector>::Failure(kNoPrivateKey);
    BnPtr n = GetBn(m_impl->pkey.get(), OSSL_PKEY_PARAM_RSA_N);
    BnPtr e = GetBn(m_impl->pkey.get(), OSSL_PKEY_PARAM_RSA_E);
    if (!n || !e) return RsaResult<ByteVector>::Failure(LibraryError(kBadKey));
    const BN_ULONG exponent = BN_get_word(e.get());
    if (exponent > 0xFFFFFFFFu) return RsaResult<ByteVector>::Failure(kBadKey);
    ByteVector blob(kPublicKeyBlobSize, 0);
    WriteHeader(blob.data(), kPublicKeyBlobType, kRsa1Magic, static_cast<std::uint32_t>(exponent));
    if (!BnToLe(n.get(), blob.data() + kRsaBlobHeaderSize, kRsaModulusSize))
        return RsaResult<ByteVector>::Failure(kBadKey);
    return blob;
}

RsaResult<ByteVector> RsaKey::ExportPrivateBlob() const {
    ERR_clear_error();
    if (!HasPrivate()) return RsaResult<ByteVector>::Failure(kNoPrivateKey);
    const EVP_PKEY* k = m_impl->pkey.get();
    BnPtr e = GetBn(k, OSSL_PKEY_PARAM_RSA_E);
    if (!e || BN_get_word(e.get()) > 0xFFFFFFFFu) return RsaResult<ByteVector>::Failure(LibraryError(kBadKey));
    struct Part {
        const char* name;
        std::size_t width;
    };
    const Part parts[] = {
        {OSSL_PKEY_PARAM_RSA_N, kRsaModulusSize},      {OSSL_PKEY_PARAM_RSA_FACTOR1, kRsaHalfSize},
        {OSSL_PKEY_PARAM_RSA_FACTOR2, kRsaHalfSize},   {OSSL_PKEY_PARAM_RSA_EXPONENT1, kRsaHalfSize},
        {OSSL_PKEY_PARAM_RSA_EXPONENT2, kRsaHalfSize}, {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, kRsaHalfSize},
        {OSSL_PKEY_PARAM_RSA_D, kRsaModulusSize},
    };
    ByteVector blob(kPrivateKeyBlobSize, 0);
    WriteHeader(blob.data(), kPrivateKeyBlobType, kRsa2Magic, static_cast<std::uint32_t>(BN_get_word(e.get())));
    std::size_t at = kRsaBlobHeaderSize;
    for (const Part& part : parts) {
        BnPtr bn = GetBn(k, part.name);
        if (!bn || !BnToLe(bn.get(), blob.data() + at, part.width)) {
            SecureWipe(blob);
            return RsaResult<ByteVector>::Failure(LibraryError(kBadKey));
        }
        at += part.width;
    }
    return blob;
}

RsaResult<ByteVector> RsaKey::Encrypt(std::span<const std::uint8_t> plaintext) const {
    ERR_clear_error();
    if (!m_impl) return RsaResult<ByteVector>::Failure(kNoPrivateKey);
    if (plaintext.size() > kRsaMaxPlaintext) return RsaResult<ByteVector>::Failure(kBadLength);
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, m_impl->pkey.get(), nullptr));
    if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0)
        return RsaResult<ByteVector>::Failure(LibraryError(kBadKey));
    ByteVector out(kRsaModulusSize, 0);
    std::size_t outLength = out.size();
    if (EVP_PKEY_encrypt(ctx.get(), out.data(), &outLength, plaintext.data(), plaintext.size()) <= 0)
        return RsaResult<ByteVector>::Failure(LibraryError(kBadData));
    if (outLength != kRsaModulusSize) return RsaResult<ByteVector>::Failure(kBadData);
    std::reverse(out.begin(), out.end());  // CryptoAPI writes the number least significant byte first
    return out;
}

RsaResult<ByteVector> RsaKey::Decrypt(std::span<const std::uint8_t> ciphertext) const {
    ERR_clear_error();
    if (!HasPrivate()) return RsaResult<ByteVector>::Failure(kNoPrivateKey);
    if (ciphertext.size() != kRsaModulusSize) return RsaResult<ByteVector>::Failure(kBadData);
    std::uint8_t bigEndian[kRsaModulusSize];
    std::reverse_copy(ciphertext.begin(), ciphertext.end(), bigEndian);
    PkeyCtxPtr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, m_impl->pkey.get(), nullptr));
    if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0)
        return RsaResult<ByteVector>::Failure(LibraryError(kBadKey));
#ifdef OSSL_ASYMCIPHER_PARAM_IMPLICIT_REJECTION
    // A wrong key must fail, not yield random bytes: callers tell their own
    // record from others' by this failure.
    {
        unsigned int off = 0;
        OSSL_PARAM p[] = {OSSL_PARAM_construct_uint(OSSL_ASYMCIPHER_PARAM_IMPLICIT_REJECTION, &off),
                          OSSL_PARAM_construct_end()};
        EVP_PKEY_CTX_set_params(ctx.get(), p);
    }
#endif
    Scratch out(kRsaModulusSize);
    std::size_t outLength = out.size();
    if (EVP_PKEY_decrypt(ctx.get(), out.data(), &outLength, bigEndian, sizeof bigEndian) <= 0) {
        ERR_clear_error();
        return RsaResult<ByteVector>::Failure(kBadData);
    }
    return out.Take(outLength);
}

RsaResult<ByteVector> RsaKey::RawPrivate(std::span<const std::uint8_t> block) const {
    ERR_clear_error();
    if (!HasPrivate()) return RsaResult<ByteVector>::Failure(kNoPrivateKey);
    if (block.size() != kRsaModulusSize) return RsaResult<ByteVector>::Failure(kBadData);
    BnPtr n = GetBn(m_impl->pkey.get(), OSSL_PKEY_PARAM_RSA_N);
    BnPtr d = GetBn(m_impl->pkey.get(), OSSL_PKEY_PARAM_RSA_D);
    BnPtr c = LeToBn(block);
    BnPtr r(BN_new());
    BnCtxPtr ctx(BN_CTX_new());
    if (!n || !d || !c || !r || !ctx) return RsaResult<ByteVector>::Failure(LibraryError(kBadKey));
    if (BN_cmp(c.get(), n.get()) >= 0) return RsaResult<ByteVector>::Failure(kBadData);
    BN_set_flags(d.get(), BN_FLG_CONSTTIME);
    if (!BN_mod_exp(r.get(), c.get(), d.get(), n.get(), ctx.get()))
        return RsaResult<ByteVector>::Failure(LibraryError(kBadData));
    ByteVector out(kRsaModulusSize, 0);
    if (!BnToLe(r.get(), out.data(), out.size())) return RsaResult<ByteVector>::Failure(kBadData);
    return out;
}

// ---------------------------------------------------------------------------

RsaResult<ByteVector> RsaEncryptBlock(std::span<const std::uint8_t> keyBlob, std::span<const std::uint8_t> plaintext) {
    auto key = RsaKey::Import(keyBlob);
    if (!key) return RsaResult<ByteVector>::Failure(key.Error());
    return key->Encrypt(plaintext);
}

RsaResult<ByteVector> RsaDecryptBlock(std::span<const std::uint8_t> privateKeyBlob,
                                      std::span<const std::uint8_t> ciphertext) {
    auto key = RsaKey::Import(privateKeyBlob);
    if (!key) return RsaResult<ByteVector>::Failure(key.Error());
    return key->Decrypt(ciphertext);
}

RsaResult<RsaKeyPairBlobs> GenerateRsaKeyPairBlobs() {
    auto key = RsaKey::Generate();
    if (!key) return RsaResult<RsaKeyPairBlobs>::Failure(key.Error());
    auto pub = key->ExportPublicBlob();
    if (!pub) return RsaResult<RsaKeyPairBlobs>::Failure(pub.Error());
    auto pri = key->ExportPrivateBlob();
    if (!pri) return RsaResult<RsaKeyPairBlobs>::Failure(pri.Error());
    return RsaKeyPairBlobs{std::move(*pub), std::move(*pri)};
}

RsaResult<std::string> Sha1Hex(std::string_view text) {
    ERR_clear_error();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha1(), nullptr) <= 0)
        return RsaResult<std::string>::Failure(LibraryError("Hash failed."));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0x0F]);
    }
    return hex;
}

}  // namespace tessarin
