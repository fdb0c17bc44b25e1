#pragma once

#include <string>
#include <vector>

#include "platform/system/user_folders.h"

namespace vorn {

// A LibreOffice user profile held by one process of ours: a numbered slot under the user's own
// cache folder ($XDG_CACHE_HOME/vornreport/office/N, mode 0700, owner checked), never in a shared
// folder, where another user could plant a profile with a start-up macro. A slot is locked while
// held, so two runs at once never share one; a profile is made once per slot and kept, because
// LibreOffice takes seconds to make one.
class OfficeProfile {
 public:
  // Takes the lowest free slot. Throws vorn::Exception when the cache folder cannot be made or
  // is not the user's own, or when every slot is taken.
  OfficeProfile();
  OfficeProfile(OfficeProfile&&) = default;
  OfficeProfile& operator=(OfficeProfile&&) = default;

  int Slot() const { return slot_; }
  // The profile's folder.
  const std::string& Path() const { return path_; }
  // The "-env:UserInstallation=file://..." argument that gives it to soffice.
  std::string SofficeArgument() const;

  // Whether LibreOffice has once started with the profile to the end.
  bool Complete() const;
  // Readies the slot before LibreOffice starts with it: a profile left half made (its first
  // start was killed) is removed, and a missing one is copied from a complete profile, which
  // spares LibreOffice seconds of making it: one of `idle`, slots the caller holds and no
  // LibreOffice uses yet, else one of a free slot.
  void Prepare(const std::vector<const OfficeProfile*>& idle = {});
  // Notes that LibreOffice started with the profile, so it is kept and may be copied; a
  // profile that cannot be marked is made anew next time.
  void MarkComplete();
  // Moves a profile that LibreOffice no longer starts with out of the way (to N.broken,
  // replacing an older one), so the next start makes a fresh one.
  void SetAside();

 private:
  FileLock lock_;
  int slot_ = -1;
  std::string folder_;
  std::string path_;
};

}  // namespace vorn
