#pragma once
// The Samba AD domain controller that scripts/test starts on loopback (scripts/test-dc), as the
// tests reach it: its address, CA and administrator come from the TEST_DC_* variables.
//
// Tests that run against both back ends pick the DC when TAVREL_TEST_BACKEND=samba. Without a
// DC they are skipped with the reason, except under CI=true, where a missing DC fails them.

#include "platform/ldap/LdapBackend.h"

#include <gtest/gtest.h>

#include <memory>

namespace tavrel::test {

// Whether this run's directory tests are meant for the test DC.
bool onTestDc();
// Why the test DC cannot be used (empty when it can).
QString testDcUnavailable();
// A back end for the test DC: simple binds as the administrator over verified LDAPS, with the
// example.local names mapped to it; `gssapi` binds with the administrator's Kerberos ticket.
std::shared_ptr<ldap::LdapBackend> testDcBackend(bool gssapi = false);
// Removes everything the tests created on the DC and restores its password policy and lockout
// settings, so that each test starts from the provisioned domain.
adsi::Status resetTestDc(adsi::DirectoryBackend& dc);
// The DC's environment value `name` (TEST_DC_*).
QString testDcValue(const char* name);

}  // namespace tavrel::test

// Skips (or, under CI=true, fails) the current test when the DC is not there.
#define REQUIRE_TEST_DC()                                                                   \
  do {                                                                                      \
    const QString why_ = ::tavrel::test::testDcUnavailable();                               \
    if (!why_.isEmpty()) {                                                                  \
      if (qEnvironmentVariable("CI") == QLatin1String("true")) FAIL() << why_.toStdString(); \
      GTEST_SKIP() << why_.toStdString();                                                   \
    }                                                                                       \
  } while (false)

// Ends the current test as skipped when it runs against the test DC: it needs something only the
// simulated network offers (say which).
#define SIMNET_ONLY(why)                                                           \
  do {                                                                             \
    if (::tavrel::test::onTestDc()) GTEST_SKIP() << "simnet-only: " << (why);      \
  } while (false)
