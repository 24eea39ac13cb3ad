// Exchange 5.5 mailboxes: creation from the template's mail rows, deletion, and the search for a
// mailbox whose container is not known.

#include "format/UserName.h"
#include "format/Variables.h"
#include "platform/adsi/Dn.h"
#include "platform/exchange/Exchange55.h"
#include "resources/Mailbox.h"
#include "startup/FRString.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Services.h"
#include "ui/Prompter.h"

#include <algorithm>

namespace tavrel::resources {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool isRow(const QString& name, const char* special) {
  return name.trimmed().toUpper() == QLatin1String(special);
}

// A second "%" after the first: a placeholder is left.
bool holdsPlaceholder(const QString& text) {
  const qsizetype first = text.indexOf(u'%');
  return first >= 0 && text.indexOf(u'%', first + 1) >= 0;
}

QString withoutCn(const QString& container) {
  return container.left(3).compare(QLatin1String("CN="), Qt::CaseInsensitive) == 0 ? container.mid(3) : container;
}

QString portSuffix(const MailboxForm& form) {
  return form.PORT.isEmpty() ? QString() : u':' + form.PORT;
}

// The Exchange server's directory, bound with the typed credentials or the current ones.
adsi::Result<adsi::AdsObject> bindExchange(const QString& path, const QString& Admin_Account,
                                           const QString& Admin_Password, bool currentCredentials) {
  adsi::Directory dir(exchange::exchange55Directory());
  if (currentCredentials) return dir.GetObject(path);
  return dir.OpenDSObject(path, Admin_Account, Admin_Password, adsi::ADS_SECURE_AUTHENTICATION);
}

void replaceImportTokens(QString& value) {
  const state::SharedState& sh = state::shared();
  if (!sh.Import_Mode) return;
  const int count = std::max(0, std::min(sh.Import_Field_Count, static_cast<int>(sh.ImportField.size()) - 1));
  for (int k = 1; k <= count; ++k)
    startup::FRString(value, QStringLiteral("%IMPORT") + QString::number(k) + u'%', sh.ImportField[static_cast<size_t>(k)]);
}

struct Names {
  const QString& First;
  const QString& Middle;
  const QString& Last;
  const QString& Ex_Site;
  const QString& Ex_Server;
  const QString& Ex_Org;
  const QString& Domain;
  const QString& Account_Name;
};

// The value of a mail row with the names and the site's placeholders replaced; nullopt when an
// expansion outgrew its bound. TARGET-ADDRESS rows replace "%UserName%" after the template's
// variables, the other rows before them.
std::optional<QString> expand(const QString& raw, const Names& n, bool targetAddress) {
  format::Expanded e = format::UserName(raw, n.First, n.Middle, n.Last);
  if (!e.ok()) return std::nullopt;
  QString v = e.text;
  startup::FRString(v, QStringLiteral("%ExSite%"), n.Ex_Site);
  startup::FRString(v, QStringLiteral("%EXServer%"), n.Ex_Server);
  startup::FRString(v, QStringLiteral("%EXOrg%"), n.Ex_Org);
  startup::FRString(v, QStringLiteral("%Domain%"), n.Domain);
  if (!targetAddress) startup::FRString(v, QStringLiteral("%UserName%"), n.Account_Name);
  if (!format::Replace_Variables(v).ok()) return std::nullopt;
  if (targetAddress) startup::FRString(v, QStringLiteral("%UserName%"), n.Account_Name);
  return v;
}

// "8007052E" for an error, "0" for none.
QString errorNumber(const adsi::Error& e) {
  return e.code == 0 ? QStringLiteral("0") : e.hex();
}

}  // namespace

bool Create_Mailbox(const QString& Lookup_Server, const QString& Domain, const QString& Admin_Account,
                    const QString& Admin_Password, const QString& Account_Name, QString& Target_Address,
                    const QString& First, const QString& Last, const QString& Ex_Server, const QString& Ex_Site,
                    const QString& Ex_Org, const MailboxForm& form, startup::LogFile& log) {
  state::SharedState& sh = state::shared();
  sh.Mail_Warning_Flag = false;
  const Names names{First, form.StrMiddle, Last, Ex_Site, Ex_Server, Ex_Org, Domain, Account_Name};

  // First pass: the target address, the other mailboxes and the container.
  QStringList otherMailboxes;
  for (const records::Mail_Attribute_Row& row : form.ListView8) {
    if (isRow(row.Name, "TARGET-ADDRESS")) {
      if (auto v = expand(row.Value, names, true)) Target_Address = *v;
    } else if (isRow(row.Name, "OTHERMAILBOX") && !row.Value.isEmpty()) {
      if (auto v = expand(row.Value, names, false)) {
        const QString t = v->trimmed();
        if (!t.isEmpty()) otherMailboxes.append(t);
      }
    } else if (isRow(row.Name, "CONTAINER")) {
      QString v = row.Value;
      if (format::Replace_Variables(v).ok()) sh.Mail_Container = v;
    }
  }

  adsi::AdsObject container;
  adsi::AdsObject mailbox;
  bool created = false;
  QString container55;

  // Everything up to the mailbox's fixed attributes: on failure the new object goes again.
  auto fail = [&](const adsi::Error& e) {
    ui::feedback().beep();
    if (e.code == adsi::hr::LOGON_FAILURE) {
      log.line(QStringLiteral("Exchange Logon Error..."));
    } else {
      log.line(QStringLiteral("Error Number: ") + errorNumber(e));
      // The text may span lines (CR LF between them): each is a line of Log.txt of its own.
      for (const QString& part : sh.Step_Log_Text.split(kCrLf)) log.line(part);
    }
    if (created) {
      const QString rdn = QStringLiteral("CN=") + adsi::escapeDnValue(Account_Name);
      if (adsi::Status s = container.Delete(QStringLiteral("OrganizationalPerson"), rdn); s)
        log.line(QStringLiteral("The incomplete mailbox was deleted: ") + Account_Name);
      else
        log.line(QStringLiteral("The incomplete mailbox remains and must be deleted by hand: ") + rdn + u',' +
                 sh.Mail_Container_Path.section(u'/', 3));
    }
    return false;
  };

  sh.Step_Log_Text = QStringLiteral("Target-Address and Container cannot be blank.") + kCrLf +
                     QStringLiteral("Target-Address: ") + Target_Address + kCrLf + QStringLiteral("Container: ") +
                     sh.Mail_Container;
  if (Target_Address.isEmpty() || sh.Mail_Container.isEmpty()) return fail(adsi::Error{0, {}, 0});

  container55 = withoutCn(sh.Mail_Container);
  const QString port = portSuffix(form);
  const QString path = QStringLiteral("LDAP://") + Ex_Server + port + QStringLiteral("/CN=") + container55 +
                       QStringLiteral(",OU=") + Ex_Site + QStringLiteral(",O=") + Ex_Org;
  if (form.debug) {
    log.line(path);
    log.line(QStringLiteral("EmailAddress: ") + Target_Address);
  }
  sh.Mail_Container_Path = path;
  log.line(QStringLiteral("Connect to Object:") + path);
  sh.Step_Log_Text = QStringLiteral("Failed to Connect to: ") + path;
  auto bound = bindExchange(path, Admin_Account, Admin_Password, form.Mail_Logon);
  if (!bound) return fail(bound.error());
  container = *bound;

  sh.Step_Log_Text = QStringLiteral("Failed to set Target-Mail Address");
  auto made = container.Create(QStringLiteral("OrganizationalPerson"),
                               QStringLiteral("CN=") + adsi::escapeDnValue(Account_Name));
  if (!made) return fail(made.error());
  mailbox = *made;
  if (adsi::Status s = mailbox.Put(QStringLiteral("MailPreferenceOption"), QVariant(qint16(0))); !s) return fail(s.error());
  if (adsi::Status s = mailbox.SetInfo(); !s) return fail(s.error());
  created = true;

  const QString userPath = QStringLiteral("LDAP://") + Ex_Server + QStringLiteral("/CN=") +
                           adsi::escapeDnValue(Account_Name) + QStringLiteral(",CN=") + container55 +
                           QStringLiteral(",OU=") + Ex_Site + QStringLiteral(",O=") + Ex_Org;
  sh.Step_Log_Text = QStringLiteral("Error setting default Settings");
  {
    QByteArray hex;
    adsi::Error why;
    if (!Get_SID_Hex(Account_Name, hex, &why)) return fail(why);
    if (adsi::Status s = mailbox.Put(QStringLiteral("Assoc-NT-Account"), hex); !s) return fail(s.error());
    log.line(QStringLiteral("Assoc NT Account"));
  }
  const QString serverPart = QStringLiteral("cn=") + Ex_Server + QStringLiteral(",cn=Servers,cn=Configuration,ou=") +
                             Ex_Site + QStringLiteral(",o=") + Ex_Org;
  if (adsi::Status s = mailbox.Put(QStringLiteral("Home-MTA"), QStringLiteral("cn=Microsoft MTA,") + serverPart); !s)
    return fail(s.error());
  log.line(QStringLiteral("Home MTA done"));
  if (adsi::Status s = mailbox.Put(QStringLiteral("Home-MDB"), QStringLiteral("cn=Microsoft Private MDB,") + serverPart);
      !s)
    return fail(s.error());
  log.line(QStringLiteral("Home MDB done"));
  QString initials;
  if (!First.isEmpty()) initials += First.front();
  if (!Last.isEmpty()) initials += Last.front();
  const std::pair<const char*, QString> fixed[] = {
      {"uid", Account_Name}, {"name", Account_Name}, {"GivenName", First}, {"Sn", Last},
      {"Cn", (First + u' ' + Last).trimmed()}, {"Initials", initials}};
  for (const auto& [attribute, value] : fixed) {
    // A name the user does not have is left out rather than written empty.
    if (value.isEmpty()) continue;
    if (adsi::Status s = mailbox.Put(QString::fromLatin1(attribute), value); !s) return fail(s.error());
  }
  if (adsi::Status s = mailbox.Put(QStringLiteral("MAPI-Recipient"), true); !s) return fail(s.error());
  if (adsi::Status s = mailbox.SetInfo(); !s) return fail(s.error());

  sh.Step_Log_Text = QStringLiteral("Error setting Security-Descriptor");
  {
    QByteArray sd;
    adsi::Error why;
    if (!Build_Mailbox_SD(sd, Lookup_Server, Domain, Account_Name, {{Account_Name, Mailbox_Rights}}, &why))
      return fail(why);
    // The descriptor as upper-case hex digits, followed by two zero bytes.
    QByteArray value = sd.toHex().toUpper();
    value.append(2, '\0');
    if (adsi::Status s = mailbox.Put(QStringLiteral("NT-Security-Descriptor"), value); !s) return fail(s.error());
    log.line(QStringLiteral("NT-Security-Descriptor"));
    if (adsi::Status s = mailbox.SetInfo(); !s) return fail(s.error());
  }

  if (!otherMailboxes.isEmpty()) {
    sh.Step_Log_Text = QStringLiteral("Error SettingOtherMailbox");
    QVariantList values;
    for (const QString& m : otherMailboxes) values.append(m);
    if (adsi::Status s = mailbox.PutEx(adsi::ADS_PROPERTY_UPDATE, QStringLiteral("otherMailBox"), values); !s)
      return fail(s.error());
    log.line(QStringLiteral("Set OtherMailBoxs"));
    if (adsi::Status s = mailbox.Put(QStringLiteral("Mail"), Target_Address); !s) return fail(s.error());
    log.line(QStringLiteral("Set Mail Address :") + Target_Address);
  } else {
    if (adsi::Status s = mailbox.Put(QStringLiteral("Mail"), Target_Address); !s) return fail(s.error());
  }
  if (adsi::Status s = mailbox.SetInfo(); !s) return fail(s.error());

  // The template's own rows. A failing row ends the pass with a warning; the mailbox stands.
  auto rowFailed = [&] {
    ui::feedback().beep();
    log.line(QStringLiteral("Error with Attribute: ") + sh.Step_Log_Text);
    sh.Mail_Warning_Flag = true;
    return true;
  };
  for (const records::Mail_Attribute_Row& row : form.ListView8) {
    const QString name = row.Name;
    QString value = row.Value;
    if (value.compare(QLatin1String("PROMPT"), Qt::CaseInsensitive) == 0) {
      // An unanswered or skipped prompt writes nothing.
      if (sh.Import_Mode && form.Skip_Prompt_Fields) continue;
      const auto answer =
          ui::prompter().InputBox(QStringLiteral("Enter Value for ") + name, QStringLiteral("Enter value"));
      if (!answer || answer->isEmpty()) continue;
      value = *answer;
    }
    if (name.isEmpty() || value.isEmpty()) continue;
    if (isRow(name, "OTHERMAILBOX") || isRow(name, "COUNTRY") || isRow(name, "TARGET-ADDRESS") ||
        isRow(name, "CONTAINER"))
      continue;
    sh.Step_Log_Text = name;
    auto expanded = expand(value, names, false);
    if (!expanded) return rowFailed();
    value = *expanded;
    replaceImportTokens(value);
    if (holdsPlaceholder(value)) continue;
    if (isRow(name, "MEMBEROF")) {
      log.line(QStringLiteral("Adding to Distribution List"));
      log.line(name + QStringLiteral(": ") + value);
      // The list is bound as the container was.
      auto list = bindExchange(value, Admin_Account, Admin_Password, form.Mail_Logon);
      if (!list) return rowFailed();
      if (adsi::Status s = exchange::addListMember(*list, userPath); !s) return rowFailed();
      continue;
    }
    log.line(name + QStringLiteral(": ") + value);
    if (adsi::Status s = mailbox.Put(name, value); !s) return rowFailed();
    if (adsi::Status s = mailbox.SetInfo(); !s) return rowFailed();
  }
  return true;
}

bool Delete_Mailbox(const QString& Admin_Account, const QString& Admin_Password, const QString& Mailbox_Name,
                    const QString& Ex_Server, const QString& Ex_Site, const QString& Ex_Org, const MailboxForm& form,
                    startup::LogFile& log) {
  state::SharedState& sh = state::shared();
  // The container comes from this template's rows only, never from an earlier operation.
  sh.Mail_Container.clear();
  for (const records::Mail_Attribute_Row& row : form.ListView8)
    if (isRow(row.Name, "CONTAINER")) sh.Mail_Container = row.Value;

  if (holdsPlaceholder(sh.Mail_Container)) {
    const ui::MsgBoxResult answer = ui::prompter().MsgBox(
        QStringLiteral("A Variable was used in the 'Container' field to create the mailbox") + kCrLf +
            QStringLiteral("Do you wish to Search the Exchange server for the") + kCrLf +
            QStringLiteral("Mailbox to delete ?"),
        ui::kStyleYesNoQuestion, QStringLiteral("Can't Find Mailox to Delete"));
    if (answer != ui::MsgBoxResult::Yes) return false;
    if (form.Serach_Mail) form.Serach_Mail(Mailbox_Name);
  }

  const QString container55 = withoutCn(sh.Mail_Container);
  const QString path = QStringLiteral("LDAP://") + Ex_Server + portSuffix(form) + QStringLiteral("/CN=") + container55 +
                       QStringLiteral(",OU=") + Ex_Site + QStringLiteral(",O=") + Ex_Org;
  sh.Mail_Container_Path = path;
  auto fail = [&](const adsi::Error& e) {
    ui::feedback().beep();
    log.line(QStringLiteral("Error Number: ") + errorNumber(e));
    return false;
  };
  log.line(QStringLiteral("Connect Object:") + path + u'.');
  if (!form.Mail_Logon && form.debug) log.line(QStringLiteral("Connecting as ") + Admin_Account);
  auto bound = bindExchange(path, Admin_Account, Admin_Password, form.Mail_Logon);
  if (!bound) return fail(bound.error());
  adsi::AdsObject container = *bound;

  const bool quiet = sh.Bulk_Delete_Running && form.No_Prompting;
  if (!quiet && form.Confirm_Deletes) {
    const ui::MsgBoxResult answer =
        ui::prompter().MsgBox(QStringLiteral("Sure to Delete Mailbox") + kCrLf + path + kCrLf + QStringLiteral("cn=") +
                                  Mailbox_Name,
                              ui::kStyleYesNoQuestion, QStringLiteral("Delete Mailbox"));
    if (answer != ui::MsgBoxResult::Yes) return false;
  }
  if (form.debug) log.line(QStringLiteral("Delete OP ") + Mailbox_Name);
  if (adsi::Status s = container.Delete(QStringLiteral("OrganizationalPerson"),
                                        QStringLiteral("CN=") + adsi::escapeDnValue(Mailbox_Name));
      !s)
    return fail(s.error());
  if (adsi::Status s = container.SetInfo(); !s) return fail(s.error());
  return true;
}

MailSearchResult searchMailboxes(const QString& Org, const QString& Server, const QString& Site, const QString& Name,
                                 const QString& Admin_Account, const QString& Admin_Password, const MailboxForm& form) {
  MailSearchResult result;
  result.root.text = Site;
  const QString path = QStringLiteral("LDAP://") + Server + portSuffix(form) + QStringLiteral("/OU=") +
                       adsi::escapeDnValue(Site) + QStringLiteral(",O=") + adsi::escapeDnValue(Org);
  auto site = bindExchange(path, Admin_Account.trimmed(), Admin_Password.trimmed(), form.Mail_Logon);
  if (!site) {
    result.error = site.error();
    return result;
  }
  result.connected = true;
  const QString wanted = QStringLiteral("CN=") + adsi::escapeDnValue(Name);

  // The mailboxes named `wanted` in `container` become children of `node`.
  auto searchIn = [&](adsi::AdsObject& container, MailSearchNode& node) -> adsi::Status {
    auto objects = container.Children();
    if (!objects) return objects.error();
    for (adsi::AdsObject& o : *objects) {
      if (o.Class().compare(QLatin1String("organizationalPerson"), Qt::CaseInsensitive) != 0) continue;
      if (o.Name().compare(wanted, Qt::CaseInsensitive) != 0) continue;
      node.children.push_back({o.Name().mid(3), true, {}});
      ++result.count;
    }
    return {};
  };
  auto fail = [&](const adsi::Error& e) {
    result.connected = false;
    result.error = e;
    return result;
  };

  site->SetFilter({QStringLiteral("Container")});
  auto containers = site->Children();
  if (!containers) return fail(containers.error());
  for (adsi::AdsObject& c : *containers) {
    if (c.Name().compare(QLatin1String("cn=Configuration"), Qt::CaseInsensitive) == 0) continue;
    MailSearchNode node{c.Name().mid(3), false, {}};
    if (adsi::Status s = searchIn(c, node); !s) return fail(s.error());
    c.SetFilter({QStringLiteral("Container")});
    auto inner = c.Children();
    if (!inner) return fail(inner.error());
    for (adsi::AdsObject& sub : *inner) {
      MailSearchNode subNode{sub.Name().mid(3), false, {}};
      if (adsi::Status s = searchIn(sub, subNode); !s) return fail(s.error());
      node.children.push_back(std::move(subNode));
    }
    result.root.children.push_back(std::move(node));
  }
  return result;
}

}  // namespace tavrel::resources
