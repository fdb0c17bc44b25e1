#include "app/output/office_profile.h"

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
// More LibreOffice processes than this at once would only slow each other down.
constexpr int kSlots = 64;
}  // namespace

OfficeProfile::OfficeProfile() {
  const std::string folder = PrivateUserFolder(UserFolderKind::kCache, "vornreport/office");
  for (int slot = 0; slot < kSlots; ++slot) {
    const std::string name = folder + "/" + std::to_string(slot);
    // The lock stands beside the profile, so a broken profile can be set aside under it.
    if (!lock_.TryLock(name + ".lock")) continue;
    slot_ = slot;
    path_ = name;
    return;
  }
  throw Exception("Every LibreOffice profile of the program is in use: " + folder);
}

std::string OfficeProfile::SofficeArgument() const {
  return "-env:UserInstallation=" + FileUrl(path_);
}

}  // namespace vorn
