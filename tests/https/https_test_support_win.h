#pragma once
// The HTTPS servers that CTest starts for these tests, and the trust of
// their test authority in the prefix.

#include <cstdint>

enum class TestServer {
  Trusted,   // certificate for 127.0.0.1 and localhost
  Mismatch,  // certificate for another host, from the same authority
};

// The server's port, 0 when its port file cannot be read.
uint16_t ServerPort(TestServer server);
// How many address-book requests the server has answered so far.
int AnsweredRequests(TestServer server);

// Adds the test authority to the machine's trusted roots for the lifetime
// of the object. The registry-backed store is used because Wine keeps
// deletions made through the combined system store in memory only.
class TrustedTestAuthority {
 public:
  TrustedTestAuthority();
  ~TrustedTestAuthority();
  TrustedTestAuthority(const TrustedTestAuthority&) = delete;
  TrustedTestAuthority& operator=(const TrustedTestAuthority&) = delete;

  bool added() const { return added_; }

  // Removes the authority from the trusted roots (also one an aborted test
  // left behind); true when it is not there afterwards.
  static bool Remove();

 private:
  bool added_ = false;
};
