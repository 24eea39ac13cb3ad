#pragma once
// What the start-up sequence calls in other subsystems. Each member has a working default; the
// application replaces the ones whose subsystems it links, and tests replace them with fakes.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace tavrel::mainwindow {

class form1;

// The directory layer's answer to whether the identity it is authenticated as belongs to the
// domain's "Domain Admins" group.
struct AdminCheckResult {
  enum class Membership { Member, NotMember, Unreachable };
  Membership membership = Membership::Unreachable;
  QString account;  // that identity's account name, as the message names it
};

struct StartupServices {
  // True when no other instance runs; otherwise the running one has been asked to come forward.
  std::function<bool()> firstInstance = [] { return true; };

  // Fills form.DomName with the domain names found. The start-up does not use the result.
  std::function<bool(form1& form)> Get_Domains = noDirectoryDomains;

  // Connects to the domain: sets User_Count and Group_Count to 0 and puts the name into DomName;
  // with a non-empty name it sets Directory_Mode, loads the tree and the domain's groups and
  // writes the counts into status-bar panel 1. True when connected and loaded.
  std::function<bool(form1& form, QString& Domain_Name)> Connect_Domain = noDirectoryConnect;

  // Asked only after a successful connection, with the trimmed domain name.
  std::function<AdminCheckResult(const QString& Domain_Name)> checkDomainAdmin = noDirectoryAdminCheck;

  // Converts the record files of the database folder `Path` from an older layout (Kind 1, 2, 3),
  // showing its own messages and writing Version\DBVersion when done.
  std::function<void(form1& form, const QString& Path, int16_t Kind)> Convert_DB = convertRecordFiles;

  // The record loader and the clearing of the site fields and the template tab. Clear_Site and
  // Clear_TT each leave "Ready." in status-bar panel 1.
  std::function<void(form1& form)> Load_Databases = [](form1&) {};
  std::function<void(form1& form)> Clear_Site = readyStatus;
  std::function<void(form1& form)> Clear_TT = readyStatus;

  // The process's whole command line after the program name; nullopt reads the real one.
  std::optional<QString> commandLine;

  // Defaults while no directory layer is linked: no domains, no connection (the name still goes
  // into DomName), and an administrator check that cannot reach the group.
  static bool noDirectoryDomains(form1& form);
  static bool noDirectoryConnect(form1& form, QString& Domain_Name);
  static AdminCheckResult noDirectoryAdminCheck(const QString& Domain_Name);
  // The record files' conversion, its messages through the prompter.
  static void convertRecordFiles(form1& form, const QString& Path, int16_t Kind);
  static void readyStatus(form1& form);
};

}  // namespace tavrel::mainwindow
