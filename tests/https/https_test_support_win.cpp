#include "https_test_support_win.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <cstdlib>
#include <string>

#include "common/win/scoped_handles.h"
#include "win_test_support.h"

namespace {

const char* ServerName(TestServer server) {
  return server == TestServer::Trusted ? "trusted" : "mismatch";
}

std::u16string TestFile(const std::string& name) {
  return HostPath((std::string(TW_HTTPS_DIR) + "/" + name).c_str());
}

UniqueCertStore OpenMachineRoots() {
  return UniqueCertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                       CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root"));
}

UniqueCertContext AuthorityCertificate() {
  const std::string der = ReadFileBytes(TestFile("ca/ca.der"));
  if (der.empty()) return {};
  return UniqueCertContext(CertCreateCertificateContext(X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size())));
}

}  // namespace

uint16_t ServerPort(TestServer server) {
  const std::string text = ReadFileBytes(TestFile(std::string(ServerName(server)) + ".port"));
  const int port = std::atoi(text.c_str());
  return port > 0 && port < 65536 ? static_cast<uint16_t>(port) : 0;
}

int AnsweredRequests(TestServer server) {
  const std::string log = ReadFileBytes(TestFile(std::string(ServerName(server)) + ".log"));
  int count = 0;
  for (size_t at = log.find(" -> 200 "); at != std::string::npos;
       at = log.find(" -> 200 ", at + 1)) {
    ++count;
  }
  return count;
}

TrustedTestAuthority::TrustedTestAuthority() {
  const UniqueCertContext authority = AuthorityCertificate();
  const UniqueCertStore roots = OpenMachineRoots();
  if (!authority || !roots) return;
  added_ = CertAddCertificateContextToStore(roots.get(), authority.get(),
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
}

TrustedTestAuthority::~TrustedTestAuthority() {
  if (added_) Remove();
}

bool TrustedTestAuthority::Remove() {
  const UniqueCertContext authority = AuthorityCertificate();
  const UniqueCertStore roots = OpenMachineRoots();
  if (!authority || !roots) return false;
  // A few rounds at most: a store that keeps what it was told to delete
  // must not hold the test up.
  for (int round = 0; round < 4; ++round) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(roots.get(), X509_ASN_ENCODING, 0,
                                                      CERT_FIND_EXISTING, authority.get(), nullptr);
    if (!found) return true;
    // Frees `found`, whether or not it succeeds.
    if (!CertDeleteCertificateFromStore(found)) return false;
  }
  return false;
}
