#pragma once
// The template and site the creation tests, tour and benchmark create users from: folders under
// D:\Users and D:\Profiles of the site's server FS1, a home drive, a primary group and groups.

#include "records/Records.h"

#include <QStringList>

namespace tavrel::test {

inline records::Template_Record staffTemplate(const QStringList& groups, const QString& primaryGroup = "Teachers") {
  records::Template_Record t;
  t.Name = "Staff";
  t.HomeDirLocal = "D:\\Users\\%UserName%";
  t.ProfileDirLocal = "D:\\Profiles\\%UserName%";
  t.HomeShareUNC = "\\\\%Server%\\%UserName%";
  t.ProfileShareUNC = "\\\\%Server%\\Profiles$\\%UserName%";
  t.LogonScript = "staff.bat";
  t.HomeDrive = "H:";
  t.PrimaryGroup = primaryGroup;
  t.GroupCount = static_cast<int16_t>(groups.size());
  for (int i = 0; i < groups.size() && i < records::Template_Record::GroupSlots; ++i) t.Groups[i] = groups[i];
  return t;
}

inline records::Site_Record mainSite() {
  records::Site_Record site;
  site.SiteName = "Main";
  site.HomeServer = "FS1";
  return site;
}

}  // namespace tavrel::test
