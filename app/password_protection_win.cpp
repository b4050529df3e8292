#include "app/password_protection_win.h"

#include <windows.h>
#include <wincrypt.h>

#include <limits>

#include "common/win/scoped_handles.h"

namespace {

// Mixed into every blob, so that another program running as the same user
// cannot unprotect it without knowing this.
constexpr char kEntropy[] = "Tarnwell.AddrBookSync.ProtectedPassword.1";

DATA_BLOB BlobOf(const char* bytes, size_t size) {
  DATA_BLOB blob{};
  blob.cbData = static_cast<DWORD>(size);
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes));
  return blob;
}

enum class Direction { Protect, Unprotect };

std::optional<std::string> Transform(Direction direction, const std::string& input) {
  if (input.size() > std::numeric_limits<DWORD>::max()) return std::nullopt;
  DATA_BLOB in = BlobOf(input.data(), input.size());
  DATA_BLOB entropy = BlobOf(kEntropy, sizeof(kEntropy) - 1);
  DATA_BLOB out{};
  // Never a prompt: runs happen unattended.
  const BOOL ok = direction == Direction::Protect
                      ? CryptProtectData(&in, L"AddrBookSync", &entropy, nullptr, nullptr,
                                         CRYPTPROTECT_UI_FORBIDDEN, &out)
                      : CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr,
                                           CRYPTPROTECT_UI_FORBIDDEN, &out);
  if (!ok) return std::nullopt;
  UniqueLocalMemory owner(out.pbData);
  std::string result(reinterpret_cast<const char*>(out.pbData), out.cbData);
  SecureZeroMemory(out.pbData, out.cbData);
  return result;
}

}  // namespace

std::optional<std::string> UserPasswordProtection::Protect(const std::string& secret) {
  return Transform(Direction::Protect, secret);
}

std::optional<std::string> UserPasswordProtection::Unprotect(const std::string& blob) {
  return Transform(Direction::Unprotect, blob);
}
