#pragma once
// The schema a domain controller publishes (CN=Schema,CN=Configuration,...): attribute syntaxes,
// single/multi-valued, bounds, and what each class may and must hold.

#include "platform/adsi/DirectoryBackend.h"
#include "platform/adsi/SchemaCatalog.h"

namespace tavrel::ldap {

adsi::Result<std::shared_ptr<const adsi::SchemaCatalog>> loadDcSchema(adsi::DirectoryConnection& conn,
                                                                        const adsi::Dn& schemaNc);
// The definitions of the attributes named (those the schema holds), read with one search.
adsi::Result<QList<adsi::AttributeDef>> loadDcAttributes(adsi::DirectoryConnection& conn, const adsi::Dn& schemaNc,
                                                         const QStringList& names);
// The program's syntax for an attributeSyntax OID and oMSyntax number.
adsi::Syntax syntaxFromSchema(const QString& attributeSyntax, int oMSyntax);

}  // namespace tavrel::ldap
