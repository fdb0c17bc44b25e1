#include "app/output/office_profile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;

// More LibreOffice processes than this at once would only slow each other down.
constexpr int kSlots = 64;
// Written into a profile once LibreOffice has started with it to the end.
constexpr const char* kCompleteMarker = "/vornreport-complete";

std::string SlotPath(const std::string& folder, int slot) {
  return folder + "/" + std::to_string(slot);
}

bool IsComplete(const std::string& path) { return FileExists(path + kCompleteMarker); }

void RemoveAll(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

// Copies a complete profile to `to` under a passing name, then renames it into place, so a
// killed copy never passes for a profile. LibreOffice's own lock file stays behind.
bool CopyProfile(const std::string& from, const std::string& to) {
  const std::string passing = to + ".copy";
  RemoveAll(passing);
  std::error_code error;
  fs::copy(from, passing, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  fs::remove(passing + "/.lock", error);
  if (!IsComplete(passing) || ::rename(passing.c_str(), to.c_str()) != 0) {
    RemoveAll(passing);
    return false;
  }
  return true;
}
}  // namespace

OfficeProfile::OfficeProfile() {
  folder_ = PrivateUserFolder(UserFolderKind::kCache, "vornreport/office");
  for (int slot = 0; slot < kSlots; ++slot) {
    const std::string name = SlotPath(folder_, slot);
    // The lock stands beside the profile, so a broken profile can be set aside under it.
    if (!lock_.TryLock(name + ".lock")) continue;
    slot_ = slot;
    path_ = name;
    return;
  }
  throw Exception("Every LibreOffice profile of the program is in use: " + folder_);
}

std::string OfficeProfile::SofficeArgument() const {
  return "-env:UserInstallation=" + FileUrl(path_);
}

bool OfficeProfile::Complete() const { return IsComplete(path_); }

void OfficeProfile::Prepare(const std::vector<const OfficeProfile*>& idle) {
  if (IsComplete(path_)) return;
  RemoveAll(path_);
  for (const OfficeProfile* other : idle) {
    if (other != this && other->Complete() && CopyProfile(other->Path(), path_)) return;
  }
  for (int slot = 0; slot < kSlots; ++slot) {
    const std::string other = SlotPath(folder_, slot);
    if (slot == slot_ || !IsComplete(other)) continue;
    // A profile in use changes under the copy; only a free one is taken.
    FileLock other_lock;
    if (!other_lock.TryLock(other + ".lock")) continue;
    if (CopyProfile(other, path_)) return;
  }
}

void OfficeProfile::MarkComplete() {
  // Without the mark the profile is only made again next time.
  std::ofstream marker(path_ + kCompleteMarker);
}

void OfficeProfile::SetAside() {
  const std::string aside = path_ + ".broken";
  RemoveAll(aside);
  if (::rename(path_.c_str(), aside.c_str()) != 0) RemoveAll(path_);
}

}  // namespace vorn
