// Every way a server can fail ends in a typed error that names the target and
// what to do, and never shows the password.

#include <memory>

#include <gtest/gtest.h>

#include "dav/dav_collection.h"
#include "support/fault_http_server.h"
#include "support/radicale_server.h"

namespace kivo {
namespace {

enum class Place { kWrongPassword, kNoUser, kHome, kUntrusted, kHttpsOnPlain, kFault };
enum class Op { kCheck, kList, kFetch, kCreate };

struct ErrorCase {
  const char* name;
  Place place;
  HttpFault fault;
  Op op;
  DavErrorKind kind;
  const char* hint;  // what the message must tell the user
};

const ErrorCase kCases[] = {
    {"WrongPassword",
     Place::kWrongPassword,
     {},
     Op::kCheck,
     DavErrorKind::kUnauthorized,
     "KIVO_PASSWORD"},
    {"NoUser", Place::kNoUser, {}, Op::kList, DavErrorKind::kUnauthorized, "--user"},
    {"HomeIsNoAddressBook",
     Place::kHome,
     {},
     Op::kCheck,
     DavErrorKind::kNotCollection,
     "/alice/contacts/"},
    {"UntrustedCertificate", Place::kUntrusted, {}, Op::kCheck, DavErrorKind::kTls, "--ca-file"},
    {"ClosedPort", Place::kFault, HttpFault::kRefuse, Op::kCheck, DavErrorKind::kUnreachable,
     "that the server runs"},
    {"HttpsOnPlainPort", Place::kHttpsOnPlain, HttpFault::kStatus500, Op::kCheck,
     DavErrorKind::kTls, "https"},
    {"Status500", Place::kFault, HttpFault::kStatus500, Op::kCheck, DavErrorKind::kServerError,
     "500"},
    {"DroppedMidBody", Place::kFault, HttpFault::kDropMidBody, Op::kList, DavErrorKind::kDropped,
     "try again"},
    {"MalformedMultistatus", Place::kFault, HttpFault::kMalformed, Op::kFetch,
     DavErrorKind::kMalformed, "not a valid multistatus"},
    {"Stall", Place::kFault, HttpFault::kStall, Op::kCreate, DavErrorKind::kTimeout, "try again"},
};

class DavErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DavErrors, NameTheTargetAndWhatToDo) {
  const ErrorCase& c = GetParam();
  HttpOptions options;
  options.connect_timeout = std::chrono::seconds(5);
  options.transfer_timeout = std::chrono::seconds(1);
  std::unique_ptr<RadicaleServer> radicale;
  std::unique_ptr<FaultHttpServer> fault;
  std::string url;
  if (c.place <= Place::kUntrusted) {
    if (!RadicaleServer::Installed()) GTEST_SKIP() << "radicale is not installed";
    radicale = std::make_unique<RadicaleServer>(c.place == Place::kUntrusted);
    ASSERT_TRUE(radicale->running()) << radicale->error();
    url = c.place == Place::kHome ? radicale->home_url()
                                  : radicale->collection_url(CollectionKind::kContacts);
    if (c.place != Place::kNoUser) options = radicale->options();
    if (c.place == Place::kWrongPassword) options.password = "not the rabbit hole";
    options.ca_file.clear();  // the system's CAs do not know the test's own
  } else {
    fault = std::make_unique<FaultHttpServer>(c.fault);
    ASSERT_NE(fault->port(), 0);
    url = fault->url();
    if (c.place == Place::kHttpsOnPlain) url.replace(0, 4, "https");
  }

  DavCollection collection(ParseCollectionUrl(url).value(), CollectionKind::kContacts, options);
  std::optional<DavError> error;
  if (c.op == Op::kCheck) {
    if (DavStatus s = collection.Check(); !s) error = s.error();
  } else if (c.op == Op::kList) {
    if (auto s = collection.List(); !s) error = s.error();
  } else if (c.op == Op::kFetch) {
    if (auto s = collection.Fetch({"a.vcf", "b.vcf"}); !s) error = s.error();
  } else if (auto s = collection.Create("u1", "BEGIN:VCARD\r\nEND:VCARD\r\n"); !s) {
    error = s.error();
  }
  ASSERT_TRUE(error.has_value());
  const std::string text = error->Text();
  EXPECT_EQ(DavErrorKindName(error->kind), DavErrorKindName(c.kind)) << text;
  EXPECT_FALSE(error->IsConflict());
  EXPECT_EQ(text.rfind(collection.target(), 0), 0u) << text;
  EXPECT_NE(text.find(c.hint), std::string::npos) << text;
  if (!options.password.empty()) {
    EXPECT_EQ(text.find(options.password), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, DavErrors, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo
