// Who a folder of the Windows build belongs to, and who may use it: what
// a folder's security descriptor says of this program's user.
#ifndef QUILLAR_PLATFORM_WINDOWS_OWNERSHIP_H_
#define QUILLAR_PLATFORM_WINDOWS_OWNERSHIP_H_

#include <windows.h>

#include <string>

namespace quillar {

// Makes the folder at `path`, whose own descriptor is protected, so that it
// inherits nothing from the folder above; what is made inside inherits the
// user's entry. False, with errno set, when it was not made.
bool make_folder_of_this_user(const std::wstring& path);

// Whether the folder open at `folder` is owned by this user. Errno is set
// when its owner cannot be read.
bool folder_owned_by_this_user(HANDLE folder);

// Whether the folder open at `folder` is as make_folder_of_this_user leaves
// one: owned by this user, and every entry of its access list granting this
// user alone, or the local system and the administrators, who may take any
// folder anyway (wine lists the local system beside the entries it was
// given). Errno is set when it is not.
bool folder_private_to_this_user(HANDLE folder);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_OWNERSHIP_H_
