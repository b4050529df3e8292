#include "common/win/user_mutex_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "common/win/wide_text_win.h"

namespace {

constexpr wchar_t kNamespaceAlias[] = L"TarnwellAddrBookSync";

// The TOKEN_USER of this process; empty when it cannot be read.
std::vector<unsigned char> ProcessUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  UniqueHandle owned(token);
  DWORD size = 0;
  GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<unsigned char> buffer(size);
  if (!GetTokenInformation(token, ::TokenUser, buffer.data(), size, &size)) return {};
  return buffer;
}

std::u16string SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  UniqueLocalMemory freed(text);
  return FromWide(text);
}

// Whether the object was made by this user or by SYSTEM: nobody else can
// hold it to make this user's runs wait or fail.
bool OwnedByUserOrSystem(HANDLE object, PSID user) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  UniqueLocalMemory freed(descriptor);
  return owner && (EqualSid(owner, user) || IsWellKnownSid(owner, WinLocalSystemSid));
}

}  // namespace

bool UserMutex::Open() {
  const std::vector<unsigned char> tokenUser = ProcessUser();
  if (tokenUser.empty()) return false;
  const PSID user = reinterpret_cast<const TOKEN_USER*>(tokenUser.data())->User.Sid;
  const std::u16string sid = SidText(user);
  // Owned by the user even when an elevated run makes it (whose objects
  // the Administrators group would own otherwise).
  const std::u16string access = u"O:" + sid + u"D:P(A;;GA;;;" + sid + u")(A;;GA;;;SY)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (sid.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                         AsWide(access), SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  UniqueLocalMemory freed(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};

  // A namespace bounded by the user's SID: only this user's processes can
  // make or open it, so nobody else can take the name first.
  HANDLE boundary = CreateBoundaryDescriptorW(kNamespaceAlias, 0);
  // Adding may move the descriptor.
  const bool bounded = boundary && AddSIDToBoundaryDescriptor(&boundary, user);
  boundary_.reset(boundary);
  if (bounded) {
    namespace_.reset(CreatePrivateNamespaceW(&attributes, boundary, kNamespaceAlias));
    if (!namespace_ && GetLastError() == ERROR_ALREADY_EXISTS) {
      namespace_.reset(OpenPrivateNamespaceW(boundary, kNamespaceAlias));
    }
  }
  if (namespace_) {
    mutex_.reset(CreateMutexW(&attributes, FALSE, AsWide(u"TarnwellAddrBookSync\\" + name_)));
    return static_cast<bool>(mutex_);
  }
  // Without private namespaces (Wine): the name is open to anyone to make
  // first, so one that somebody else made is refused, not waited for.
  const std::u16string name = u"Global\\TarnwellAddrBookSync." + name_ + u"." + sid;
  mutex_.reset(CreateMutexW(&attributes, FALSE, AsWide(name)));
  if (mutex_ && GetLastError() == ERROR_ALREADY_EXISTS &&
      !OwnedByUserOrSystem(mutex_.get(), user)) {
    mutex_.reset();
  }
  return static_cast<bool>(mutex_);
}
