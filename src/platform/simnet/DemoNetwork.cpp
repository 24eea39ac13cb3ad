#include "platform/simnet/DemoNetwork.h"

#include "platform/simnet/Exchange55.h"
#include "platform/simnet/ExchangeSeed.h"
#include "platform/simnet/NetworkBuilder.h"

namespace tavrel::simnet {

using namespace adsi;

namespace {

struct Person {
  const char* first;
  const char* last;
  const char* ou;  // relative to the domain
  const char* title;
};

constexpr Person kPeople[] = {
    {"John", "Smith", "OU=Sales", "Sales Manager"},
    {"Mary", "Jones", "OU=Sales", "Account Executive"},
    {"Peter", "Brown", "OU=East,OU=Sales", "Sales Representative"},
    {"Linda", "Taylor", "OU=East,OU=Sales", "Sales Representative"},
    {"Robert", "Wilson", "OU=West,OU=Sales", "Sales Representative"},
    {"Susan", "Davies", "OU=West,OU=Sales", "Sales Assistant"},
    {"Michael", "Evans", "OU=Marketing", "Marketing Director"},
    {"Karen", "Thomas", "OU=Marketing", "Brand Manager"},
    {"David", "Roberts", "OU=Marketing", "Copywriter"},
    {"Sarah", "Johnson", "OU=Marketing", "Designer"},
    {"James", "Walker", "OU=Engineering", "Chief Engineer"},
    {"Emma", "Wright", "OU=Engineering", "Software Engineer"},
    {"Daniel", "Thompson", "OU=Engineering", "Software Engineer"},
    {"Laura", "White", "OU=Engineering", "Test Engineer"},
    {"Paul", "Hughes", "OU=Engineering", "Hardware Engineer"},
    {"Helen", "Edwards", "OU=Engineering", "Technical Writer"},
    {"Mark", "Green", "OU=IT", "IT Manager"},
    {"Claire", "Hall", "OU=IT", "Systems Administrator"},
    {"Steven", "Wood", "OU=IT", "Help Desk"},
    {"Rachel", "Harris", "OU=IT", "Help Desk"},
    {"Andrew", "Martin", "OU=Finance", "Finance Director"},
    {"Nicola", "Jackson", "OU=Finance", "Accountant"},
    {"Simon", "Clarke", "OU=Finance", "Payroll Clerk"},
    {"Joanne", "Lewis", "OU=Finance", "Accounts Clerk"},
    {"Richard", "Young", "OU=Staff", "Receptionist"},
    {"Angela", "King", "OU=Staff", "Office Manager"},
    {"Christopher", "Baker", "OU=Staff", "Facilities"},
    {"Julie", "Turner", "CN=Users", "Temporary Staff"},
    {"Gary", "Hill", "CN=Users", "Contractor"},
    {"Tracey", "Moore", "CN=Users", "Contractor"},
};

QString accountName(const Person& p) {
  return (QString::fromLatin1(p.first).left(1) + QString::fromLatin1(p.last)).toLower();
}

}  // namespace

void populateDemoDomain(NetworkBuilder& b, const QString& dom) {
  for (const char* ou : {"OU=Sales", "OU=East,OU=Sales", "OU=West,OU=Sales", "OU=Marketing", "OU=Engineering",
                         "OU=IT", "OU=Finance", "OU=Staff"})
    b.ou(dom, QString::fromLatin1(ou));

  struct G {
    const char* name;
    const char* container;
    quint32 type;
    const char* description;
  };
  const G groups[] = {
      {"Sales Team", "OU=Sales", 0x80000002u, "Security Group - Global"},
      {"Engineering", "OU=Engineering", 0x80000002u, "Security Group - Global"},
      {"IT Support", "OU=IT", 0x80000002u, "Security Group - Global"},
      {"Printer Users", "CN=Users", 0x80000004u, "Security Group - Domain Local"},
      {"Finance Share", "OU=Finance", 0x80000004u, "Security Group - Domain Local"},
      {"All Staff", "CN=Users", 0x80000008u, "Security Group - Universal"},
      {"Sales News", "OU=Sales", 2, "Distribution Group - Global"},
      {"Local Notices", "CN=Users", 4, "Distribution Group - Domain Local"},
      {"Company News", "CN=Users", 8, "Distribution Group - Universal"},
  };
  for (const G& g : groups)
    b.group(dom, QString::fromLatin1(g.name),
            GroupSpec()
                .in(QString::fromLatin1(g.container))
                .ofType(static_cast<qint32>(g.type))
                .describedAs(QString::fromLatin1(g.description)));

  int n = 0;
  for (const Person& p : kPeople) {
    const QString id = accountName(p);
    const QString full =
        QStringLiteral("%1 %2").arg(QString::fromLatin1(p.first), QString::fromLatin1(p.last));
    UserSpec u;
    u.container = QString::fromLatin1(p.ou);
    u.cn = full;
    u.password = QStringLiteral("Welcome1");
    u.enabled = n % 10 != 9;  // every tenth account is disabled
    u.attributes = {
        {"givenName", QString::fromLatin1(p.first)},
        {"sn", QString::fromLatin1(p.last)},
        {"displayName", full},
        {"description", QString::fromLatin1(p.title)},
        {"title", QString::fromLatin1(p.title)},
        {"userPrincipalName", id + QStringLiteral("@example.local")},
        {"mail", id + QStringLiteral("@example.local")},
        {"physicalDeliveryOfficeName", n % 2 ? QStringLiteral("London") : QStringLiteral("Leeds")},
        {"homeDirectory", QStringLiteral("\\\\FILESRV1\\Users$\\") + id},
        {"homeDrive", QStringLiteral("H:")},
        {"profilePath", QStringLiteral("\\\\FILESRV1\\Profiles$\\") + id},
        {"scriptPath", QStringLiteral("logon.bat")}};
    if (n % 7 == 3) u.attributes.insert(QStringLiteral("userAccountControl"), QString::number(0x10200));
    b.user(dom, id, u);
    const QString ou = QString::fromLatin1(p.ou);
    if (ou.endsWith(QLatin1String("OU=Sales")))
      b.member(dom, QStringLiteral("Sales Team"), id).member(dom, QStringLiteral("Sales News"), id);
    if (ou == QLatin1String("OU=Engineering")) b.member(dom, QStringLiteral("Engineering"), id);
    if (ou == QLatin1String("OU=IT")) b.member(dom, QStringLiteral("IT Support"), id);
    if (ou == QLatin1String("OU=Finance")) b.member(dom, QStringLiteral("Finance Share"), id);
    b.member(dom, QStringLiteral("All Staff"), id);
    if (n % 3 == 0) b.member(dom, QStringLiteral("Printer Users"), id);
    ++n;
  }
  b.member(dom, QStringLiteral("Domain Admins"), QStringLiteral("mgreen"))
      .member(dom, QStringLiteral("Company News"), QStringLiteral("All Staff"))
      .user(dom, QStringLiteral("WS001"), UserSpec().in(QStringLiteral("CN=Computers")).asComputer())
      .user(dom, QStringLiteral("WS002"), UserSpec().in(QStringLiteral("OU=Sales")).asComputer());

}

Status seedDemoNetwork(const std::shared_ptr<SimNetwork>& network) {
  if (network->hasDomains()) return makeError(hr::ALREADY_EXISTS, QStringLiteral("the network is not empty"));
  NetworkBuilder b(network);
  const QString dom = QStringLiteral("example.local");
  b.forest(dom, QStringLiteral("EXAMPLE"), false, QStringLiteral("EXDC01"))
      .server(QStringLiteral("EXDC02"), dom, ServerRole::DomainController)
      .fileServer(QStringLiteral("FILESRV1"), dom, QStringLiteral("CD"))
      .fileServer(QStringLiteral("FILESRV2"), dom, QStringLiteral("CE"))
      .server(QStringLiteral("EXCH2K"), dom, ServerRole::Exchange2000)
      .server(QStringLiteral("EXCH55"), dom, ServerRole::Exchange55)
      .policy(dom, PasswordPolicy{6, false})
      .password(dom, QStringLiteral("Administrator"), QStringLiteral("Password1"));
  populateDemoDomain(b, dom);
  // Home and profile roots on the two file servers; the demonstration users' folders on the first.
  b.folder(QStringLiteral("\\\\FILESRV1\\D$\\Users"))
      .folder(QStringLiteral("\\\\FILESRV1\\D$\\Profiles"))
      .folder(QStringLiteral("\\\\FILESRV2\\E$\\Home"))
      .folder(QStringLiteral("\\\\FILESRV2\\E$\\Profiles"))
      .folder(QStringLiteral("\\\\FILESRV2\\C$\\Apps"));
  for (const Person& p : kPeople) {
    const QString id = accountName(p);
    b.folder(QStringLiteral("\\\\FILESRV1\\D$\\Users\\") + id)
        .folder(QStringLiteral("\\\\FILESRV1\\D$\\Profiles\\") + id);
  }
  b.share(QStringLiteral("FILESRV1"), QStringLiteral("Users$"), QStringLiteral("D:\\Users"),
          QStringLiteral("Users Home Share"))
      .share(QStringLiteral("FILESRV1"), QStringLiteral("Profiles$"), QStringLiteral("D:\\Profiles"),
             QStringLiteral("Users Profile Share"))
      .share(QStringLiteral("FILESRV2"), QStringLiteral("Home$"), QStringLiteral("E:\\Home"),
             QStringLiteral("Users Home Share"))
      .share(QStringLiteral("FILESRV2"), QStringLiteral("Profiles$"), QStringLiteral("E:\\Profiles"),
             QStringLiteral("Users Profile Share"))
      .share(QStringLiteral("FILESRV2"), QStringLiteral("Apps"), QStringLiteral("C:\\Apps"));

  const QString branch = QStringLiteral("branch.example.local");
  b.childDomain(dom, branch, QStringLiteral("BRANCH"), true, QStringLiteral("BRDC01"))
      .password(branch, QStringLiteral("Administrator"), QStringLiteral("Password1"))
      .ou(branch, QStringLiteral("OU=Branch Office"))
      .group(branch, QStringLiteral("Branch Staff"), GroupSpec().in(QStringLiteral("OU=Branch Office")));
  for (const char* id : {"bcooper", "dward", "fmorris", "gprice"})
    b.user(branch, QString::fromLatin1(id),
           UserSpec().in(QStringLiteral("OU=Branch Office")).withPassword(QStringLiteral("Welcome1")))
        .member(branch, QStringLiteral("Branch Staff"), QString::fromLatin1(id));

  const QString nt = QStringLiteral("OLDCORP");
  b.nt4Domain(nt, QStringLiteral("OLDPDC"))
      .server(QStringLiteral("OLDBDC"), nt, ServerRole::DomainController)
      .fileServer(QStringLiteral("OLDFS"), nt, QStringLiteral("CD"))
      .folder(QStringLiteral("\\\\OLDFS\\D$\\Users"))
      .share(QStringLiteral("OLDFS"), QStringLiteral("Users"), QStringLiteral("D:\\Users"),
             QStringLiteral("Users Home Share"))
      .password(nt, QStringLiteral("Administrator"), QStringLiteral("Password1"))
      .group(nt, QStringLiteral("Accounts"), GroupSpec{})
      .group(nt, QStringLiteral("Warehouse"), GroupSpec{});
  for (const char* id : {"jdoe", "asmith", "bnewton", "cparker", "eharris"})
    b.user(nt, QString::fromLatin1(id),
           UserSpec()
               .withPassword(QStringLiteral("Welcome1"))
               .with(QStringLiteral("displayName"), QString::fromLatin1(id).toUpper())
               .with(QStringLiteral("homeDrive"), QStringLiteral("H:")))
        .member(nt,
                QString::fromLatin1(id) < QStringLiteral("c") ? QStringLiteral("Accounts")
                                                              : QStringLiteral("Warehouse"),
                QString::fromLatin1(id));

  b.loggedOn(QStringLiteral("EXAMPLE"), QStringLiteral("Administrator"));
  auto built = b.build();
  if (!built) return built.error();
  // The Exchange 2000 server's storage groups and stores, for the site editor's store finder.
  const Exchange2000Spec exch2k{
      QStringLiteral("Example"),
      QStringLiteral("First Administrative Group"),
      QStringLiteral("EXCH2K"),
      {{QStringLiteral("First Storage Group"),
        {QStringLiteral("Mailbox Store (EXCH2K)"), QStringLiteral("Staff Mailboxes")},
        {QStringLiteral("Public Folder Store (EXCH2K)")}},
       {QStringLiteral("Second Storage Group"), {QStringLiteral("Student Mailboxes")}, {}}}};
  if (Status s = addExchange2000Server(*network, dom, exch2k); !s) return s;
  // The Exchange 5.5 server: site Head Office of the organisation Example, its recipients (the
  // sales people in a container of their own) and the distribution list All Staff.
  SimExchange55 exch55(network);
  const QString org = QStringLiteral("Example");
  if (Status s = exch55.addServer({QStringLiteral("EXCH55"), dom, org, QStringLiteral("Head Office"), 389,
                                   {QStringLiteral("EXAMPLE\\Administrator")}});
      !s)
    return s;
  const Dn recipients = *Dn::parse(QStringLiteral("CN=Recipients,OU=Head Office,O=Example"));
  const Dn sales = recipients.child(Rdn(QStringLiteral("CN"), QStringLiteral("Sales")));
  auto cls = [](const char* c) { return Attribute{QStringLiteral("objectClass"), {"top", c}}; };
  if (Status s = exch55.addObject(org, sales, {cls("Container")}); !s) return s;
  QList<QByteArray> staff;
  for (const Person& p : kPeople) {
    const QString id = accountName(p);
    const Dn dn = (QByteArray(p.ou).startsWith("OU=Sales") ? sales : recipients).child(Rdn(QStringLiteral("CN"), id));
    const QString first = QString::fromLatin1(p.first), last = QString::fromLatin1(p.last);
    const QList<Attribute> attrs{cls("organizationalPerson"),
                                 {QStringLiteral("cn"), {(first + u' ' + last).toUtf8()}},
                                 {QStringLiteral("uid"), {id.toUtf8()}},
                                 {QStringLiteral("givenName"), {first.toUtf8()}},
                                 {QStringLiteral("sn"), {last.toUtf8()}},
                                 {QStringLiteral("mail"), {(id + QStringLiteral("@example.local")).toUtf8()}},
                                 {QStringLiteral("MAPI-Recipient"), {"TRUE"}}};
    if (Status s = exch55.addObject(org, dn, attrs); !s) return s;
    staff.append(dn.toString().toUtf8());
  }
  if (Status s = exch55.addObject(org, recipients.child(Rdn(QStringLiteral("CN"), QStringLiteral("All Staff"))),
                                  {cls("groupOfNames"), {QStringLiteral("member"), staff}});
      !s)
    return s;
  return network->lockAccount(dom, QStringLiteral("tmoore"));
}

}  // namespace tavrel::simnet
