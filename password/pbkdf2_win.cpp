#include "password/pbkdf2_win.h"

#include "password/cng_win.h"

#include <limits>

namespace kv::password {
namespace {

bool FillRandom(std::span<std::uint8_t> bytes) {
    const CngFunctions* cng = Cng();
    return cng &&
           BCRYPT_SUCCESS(cng->genRandom(nullptr, bytes.data(), static_cast<ULONG>(bytes.size()),
                                         BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

// CNG takes non-const buffers that it only reads.
PUCHAR InBuffer(const void* data) {
    return static_cast<PUCHAR>(const_cast<void*>(data));
}

} // namespace

bool CngKeyDeriver::Derive(std::string_view password, std::span<const std::uint8_t> salt,
                           std::uint32_t iterations, std::span<std::uint8_t> key) {
    constexpr std::size_t kUlongMax = std::numeric_limits<ULONG>::max();
    if (iterations == 0 || password.size() > kUlongMax || salt.size() > kUlongMax ||
        key.size() > kUlongMax)
        return false;
    const CngFunctions* cng = Cng();
    if (!cng)
        return false;
    UniqueAlgorithm hmac;
    if (!BCRYPT_SUCCESS(cng->openAlgorithm(hmac.put(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                           BCRYPT_ALG_HANDLE_HMAC_FLAG)))
        return false;
    const NTSTATUS status = cng->derivePbkdf2(
        hmac.get(), InBuffer(password.data()), static_cast<ULONG>(password.size()),
        InBuffer(salt.data()), static_cast<ULONG>(salt.size()), iterations, key.data(),
        static_cast<ULONG>(key.size()), 0);
    if (!BCRYPT_SUCCESS(status)) {
        SecureZeroMemory(key.data(), key.size());
        return false;
    }
    return true;
}

std::optional<std::wstring> HashNewPassword(std::wstring_view text, std::uint32_t iterations) {
    if (text.empty() || iterations == 0 || iterations > kMaxIterations)
        return std::nullopt;
    HashedPassword hashed;
    hashed.iterations = iterations;
    if (!FillRandom(hashed.salt))
        return std::nullopt;

    std::string utf8 = WideToUtf8(text);
    CngKeyDeriver deriver;
    const bool derived = deriver.Derive(utf8, hashed.salt, iterations, hashed.key);
    SecureZeroMemory(utf8.data(), utf8.size());
    std::optional<std::wstring> stored;
    if (derived)
        stored = ComposeStoredPassword(hashed);
    SecureZeroMemory(hashed.key.data(), hashed.key.size());
    return stored;
}

bool VerifyPassword(std::wstring_view stored, std::wstring_view entered) {
    CngKeyDeriver deriver;
    return PasswordMatches(stored, entered, deriver);
}

} // namespace kv::password
