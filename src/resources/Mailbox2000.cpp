// Exchange 2000 mailboxes: part of the Active Directory user object.

#include "format/UserName.h"
#include "format/Variables.h"
#include "platform/exchange/MailboxStore.h"
#include "resources/Mailbox.h"
#include "startup/FRString.h"
#include "startup/LogFile.h"
#include "state/SharedState.h"
#include "ui/Prompter.h"
#include "ui/Services.h"
#include <algorithm>

namespace tavrel::resources {

QString Mailbox_Store_URL(const QString& Org, const QString& Server, const QString& Storage_Group,
                          const QString& Mail_Store, const QString& Domain_DN) {
  return QStringLiteral("LDAP://") + Server + QStringLiteral("/CN=") + Mail_Store + QStringLiteral(",CN=") +
         Storage_Group + QStringLiteral(",CN=InformationStore,CN=") + Server +
         QStringLiteral(",CN=Servers,CN=First Administrative Group,") + QStringLiteral("CN=Administrative Groups,CN=") +
         Org + QStringLiteral(",CN=Microsoft Exchange,CN=Services,") + QStringLiteral("CN=Configuration,") + Domain_DN;
}

bool Create_Mailbox_2000(const QString& Org, const QString& Server, const QString& Storage_Group,
                         const QString& Mail_Store, const QString& Domain_DN, adsi::AdsObject& Current_User,
                         adsi::Directory& directory, const MailboxForm& form, startup::LogFile& log,
                         adsi::Error* failure) {
  state::SharedState& sh = state::shared();
  sh.Mail_Warning_Flag = false;
  auto fail = [&](const adsi::Error& e) {
    if (failure) *failure = e;
    return false;
  };
  const QString url = Mailbox_Store_URL(Org, Server, Storage_Group, Mail_Store, Domain_DN);
  if (form.debug) log.line(url);

  exchange::MailboxStore store(directory, Current_User);
  if (adsi::Status s = store.CreateMailbox(url); !s) return fail(s.error());

  // The value of a mailbox row that asks nothing; nullopt when the row is not written.
  const auto expandedValue = [&](const records::W2K_Property_Row& row) -> std::optional<QString> {
    QString value = row.Value;
    if (!format::Replace_Variables(value).ok()) value = QStringLiteral("%");
    format::Expanded e = format::UserName(value, form.strFirst, form.StrMiddle, form.strLast);
    value = e.ok() ? e.text : QStringLiteral("%");
    startup::FRString(value, QStringLiteral("%Domain%"), u'@' + form.TreeRootText);
    if (sh.Import_Mode) {
      const int count =
          std::max(0, std::min(sh.Import_Field_Count, static_cast<int>(sh.ImportField.size()) - 1));
      for (int k = 1; k <= count; ++k)
        startup::FRString(value, QStringLiteral("%IMPORT") + QString::number(k) + u'%',
                          sh.ImportField[static_cast<size_t>(k)]);
    }
    if (value.isEmpty() || value.contains(u'%')) return std::nullopt;
    return value;
  };
  const auto isPrompt = [](const records::W2K_Property_Row& row) {
    return row.Value.compare(QLatin1String("PROMPT"), Qt::CaseInsensitive) == 0;
  };

  // The mailbox follows the account: enabled (0) or disabled (2). Writing the mailbox does not
  // change the account's state, so it is read from what the store just read; the mailbox, its
  // control and the rows before the first prompted one go out as one modify. When that is
  // refused (it then changed nothing), they are written one after the other as below, so that
  // the error and the rows written are those of the write that fails.
  const auto control = [&](const adsi::Result<QVariant>& disabled) {
    return qint16(disabled->toBool() ? 2 : 0);
  };
  bool written = false;
  qsizetype done = 0;  // the rows already written with the mailbox
  {
    QList<std::pair<QString, QVariant>> together;
    const auto before = Current_User.Get(QStringLiteral("AccountDisabled"));
    if (before) together.append({QStringLiteral("msExchUserAccountControl"), QVariant(control(before))});
    qsizetype leading = 0;
    for (const records::W2K_Property_Row& row : form.ListView7) {
      if (row.IconKey == records::kMailIcon && isPrompt(row)) break;
      ++leading;
      if (row.IconKey != records::kMailIcon) continue;
      if (const auto value = expandedValue(row)) together.append({row.Name, *value});
    }
    written = before && Current_User.PutAndSetInfo(together);
    if (written) done = leading;
  }
  if (!written) {
    if (adsi::Status s = Current_User.SetInfo(); !s) return fail(s.error());
    auto disabled = Current_User.Get(QStringLiteral("AccountDisabled"));
    if (!disabled) return fail(disabled.error());
    if (adsi::Status s =
            Current_User.Put(QStringLiteral("msExchUserAccountControl"), QVariant(control(disabled)));
        !s)
      return fail(s.error());
    if (adsi::Status s = Current_User.SetInfo(); !s) return fail(s.error());
  }

  // The template's mailbox rows. A failing row ends the pass with a warning.
  for (qsizetype i = done; i < qsizetype(form.ListView7.size()); ++i) {
    const records::W2K_Property_Row& row = form.ListView7[static_cast<size_t>(i)];
    if (row.IconKey != records::kMailIcon) continue;
    QString value;
    if (isPrompt(row)) {
      if (sh.Import_Mode && form.Skip_Prompt_Fields) continue;
      const auto answer = ui::prompter().InputBox(QStringLiteral("Enter Value for ") + row.Name,
                                                  QStringLiteral("Enter value"));
      if (!answer || answer->isEmpty()) continue;
      value = *answer;
    } else {
      const auto expanded = expandedValue(row);
      if (!expanded) continue;
      value = *expanded;
    }
    adsi::Status s = Current_User.Put(row.Name, value);
    if (s) s = Current_User.SetInfo();
    if (!s) {
      ui::feedback().beep();
      log.line(QStringLiteral("Error with Attribute: ") + row.Name);
      sh.Mail_Warning_Flag = true;
      break;
    }
  }
  return true;
}

adsi::Result<bool> Delete_Mailbox_2000(adsi::AdsObject& User, adsi::Directory& directory) {
  exchange::MailboxStore store(directory, User);
  auto home = store.HomeMDB();
  if (!home) return home.error();
  if (home->isEmpty()) return false;
  if (adsi::Status s = store.DeleteMailbox(); !s) return s.error();
  if (adsi::Status s = User.SetInfo(); !s) return s.error();
  return true;
}

}  // namespace tavrel::resources
