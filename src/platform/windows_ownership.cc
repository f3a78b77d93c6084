#include "platform/windows_ownership.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/windows_handles.h"

namespace quillar {
namespace {

// Whether `sid` is the token's user, or its default owner: what an elevated
// administrator makes belongs to the Administrators group by default.
bool is_this_user(PSID sid) {
  if (sid == nullptr) return false;
  std::vector<std::uint64_t> user = token_information(TokenUser);
  std::vector<std::uint64_t> default_owner = token_information(TokenOwner);
  return (!user.empty() && EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid)) ||
         (!default_owner.empty() && EqualSid(sid, reinterpret_cast<TOKEN_OWNER*>(default_owner.data())->Owner));
}

// Whether each entry of `access_list` either denies, or grants to this
// user, the local system or the administrators.
bool grants_this_user_alone(PACL access_list) {
  for (DWORD k = 0; k < access_list->AceCount; ++k) {
    void* entry = nullptr;
    if (!GetAce(access_list, k, &entry)) return false;
    const auto* header = static_cast<ACE_HEADER*>(entry);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    PSID granted = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
        !(is_this_user(granted) || IsWellKnownSid(granted, WinLocalSystemSid) ||
          IsWellKnownSid(granted, WinBuiltinAdministratorsSid))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool make_folder_of_this_user(const std::wstring& path) {
  const std::optional<std::wstring> user = user_sid_text();
  if (!user) {
    note_error(GetLastError());
    return false;
  }
  const std::wstring descriptor_text = L"O:" + *user + L"D:P(A;OICI;FA;;;" + *user + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor_text.c_str(), SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    note_error(GetLastError());
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const bool made = CreateDirectoryW(path.c_str(), &attributes) != 0;
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  if (!made) note_error(error);
  return made;
}

bool folder_owned_by_this_user(HANDLE folder) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                      nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    note_error(error);
    return false;
  }
  const bool owned = is_this_user(owner);
  LocalFree(descriptor);
  return owned;
}

bool folder_private_to_this_user(HANDLE folder) {
  PSID owner = nullptr;
  PACL access_list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &access_list, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    note_error(error);
    return false;
  }
  const bool private_one = is_this_user(owner) && access_list != nullptr && grants_this_user_alone(access_list);
  LocalFree(descriptor);
  if (!private_one) errno = EPERM;
  return private_one;
}

}  // namespace quillar
