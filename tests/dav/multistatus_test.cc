// The multistatus reader over the spellings servers use, and the bodies it refuses.

#include "dav/multistatus.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

constexpr char kBase[] = "http://dav.test:5232/u/book/";

struct BodyCase {
  const char* name;
  const char* body;
  // "<count> " and the first resource as "path|etag|flags|status|data", or "!"
  // and a piece of the refusal's reason.
  const char* expect;
};

std::string Describe(const DavResource& r) {
  std::string flags = std::string(r.is_collection ? "C" : "") + (r.is_calendar ? "E" : "") +
                      (r.is_addressbook ? "A" : "");
  for (const std::string& comp : r.components) flags.append("+").append(comp);
  std::string origin = r.href.origin == "http://dav.test:5232" ? "" : r.href.origin;
  return origin + r.href.path + "|" + r.etag + "|" + flags + "|" + std::to_string(r.status) + "|" +
         r.data.value_or("-");
}

const BodyCase kBodies[] = {
    {"PrefixesCdataAndAbsoluteEncodedHref",
     R"(<d:multistatus xmlns:d="DAV:" xmlns:cal="urn:ietf:params:xml:ns:caldav"><d:response>
        <d:href>http://dav.test:5232/u/book/a%20b%40c.ics</d:href><d:propstat><d:prop>
        <d:getetag> W/"e2" </d:getetag><cal:calendar-data><![CDATA[BEGIN:VCALENDAR
END:VCALENDAR]]></cal:calendar-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>
        </d:response></d:multistatus>)",
     "1 /u/book/a b@c.ics|W/\"e2\"||0|BEGIN:VCALENDAR\r\nEND:VCALENDAR"},
    {"RelativeHrefAndComponents",
     R"(<x:multistatus xmlns:x="DAV:"><x:response><x:href>cal/</x:href><x:propstat><x:prop>
        <x:resourcetype><x:collection/><c:calendar xmlns:c="urn:ietf:params:xml:ns:caldav"/>
        </x:resourcetype><c:supported-calendar-component-set xmlns:c="urn:ietf:params:xml:ns:caldav">
        <c:comp name="VEVENT"/><c:comp name="VTODO"/></c:supported-calendar-component-set>
        </x:prop><x:status>HTTP/1.1 200 OK</x:status></x:propstat></x:response></x:multistatus>)",
     "1 /u/book/cal/||CE+VEVENT+VTODO|0|-"},
    {"MissingEtagIsEmptyNotTakenFromA404Propstat",
     R"(<multistatus xmlns="DAV:"><response><href>/u/book/b.vcf</href>
        <propstat><prop><getetag>"lie"</getetag></prop><status>HTTP/1.1 404 Not Found</status></propstat>
        <propstat><prop><resourcetype/></prop><status>HTTP/1.1 200 OK</status></propstat>
        </response></multistatus>)",
     "1 /u/book/b.vcf|||0|-"},
    {"StatusOnlyResponsesShareTheirStatus",
     R"(<multistatus xmlns="DAV:"><response><href>x.vcf</href><href>https://other.test/y.vcf</href>
        <status>HTTP/1.1 404 Not Found</status></response></multistatus>)",
     "2 /u/book/x.vcf|||404|-"},
    {"EscapedCarriageReturnsAreNotDoubled",
     R"(<multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><response><href>c.vcf</href>
        <propstat><prop><C:address-data>A&#13;
B</C:address-data></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>)",
     "1 /u/book/c.vcf|||0|A\r\nB"},
    {"NotXml", "<html><body>Welcome", "!Premature"},
    {"WrongRoot", R"(<multistatus><response/></multistatus>)", "!root"},
    {"DocumentType",
     R"(<!DOCTYPE m [<!ENTITY a "aaaa">]><multistatus xmlns="DAV:">&a;</multistatus>)",
     "!document type"},
    {"NulInHref",
     R"(<multistatus xmlns="DAV:"><response><href>/a%00b</href><status>HTTP/1.1 200 OK</status></response></multistatus>)",
     "!href"},
};

class MultistatusBodies : public ::testing::TestWithParam<BodyCase> {};

TEST_P(MultistatusBodies, ReadOrRefuseWithAReason) {
  const std::string expect = GetParam().expect;
  DavResult<std::vector<DavResource>> read = ReadMultistatus(GetParam().body, kBase);
  if (!read) {
    EXPECT_EQ(read.error().kind, DavErrorKind::kMalformed);
    EXPECT_EQ(read.error().target, kBase);
    EXPECT_NE(expect.find('!'), std::string::npos) << read.error().message;
    EXPECT_NE(read.error().message.find(expect.substr(1)), std::string::npos)
        << read.error().message;
  } else {
    std::string got = std::to_string(read->size());
    if (!read->empty()) got.append(" ").append(Describe(read->front()));
    EXPECT_EQ(got, expect);
  }
}

INSTANTIATE_TEST_SUITE_P(Bodies, MultistatusBodies, ::testing::ValuesIn(kBodies),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo
