// The promises of Collection, held to by a vdir folder and by a real Radicale
// address book and calendar alike.

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "dav/dav_collection.h"
#include "dav/open_collection.h"
#include "support/radicale_server.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

struct Backend {
  const char* name;
  bool server;
  bool tls;  // https with a certificate trusted through the CA file
  CollectionKind kind;
};

std::string ItemText(CollectionKind kind, const std::string& uid, const std::string& text) {
  if (kind == CollectionKind::kContacts) {
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:" + uid + "\r\nFN:" + text + "\r\nEND:VCARD\r\n";
  }
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//kivo//test//EN\r\nBEGIN:VEVENT\r\nUID:" +
         uid + "\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240105T100000Z\r\nSUMMARY:" + text +
         "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

std::vector<ItemRef> Sorted(std::vector<ItemRef> refs) {
  std::sort(refs.begin(), refs.end(), [](auto& a, auto& b) { return a.href < b.href; });
  return refs;
}

class CollectionContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    kind_ = GetParam().kind;
    std::string place = dir_.path().string();
    HttpOptions options;
    CredentialSources sources;
    if (GetParam().server) {
      if (!RadicaleServer::Installed()) GTEST_SKIP() << "radicale is not installed";
      server_ = std::make_unique<RadicaleServer>(GetParam().tls);
      ASSERT_TRUE(server_->running()) << server_->error();
      place = server_->collection_url(kind_);
      options.ca_file = server_->options().ca_file;
      sources.env_password = RadicaleServer::kPassword;
    } else {
      // What else lies in a vdir folder is no item.
      for (const char* name : {".hidden.vcf", ".hidden.ics", "a.vcf~", "a.ics~", "color"}) {
        WriteText(dir_ / name, ItemText(kind_, name, "not an item"));
      }
    }
    const std::string user = GetParam().server ? RadicaleServer::kUser : "";
    auto opened = OpenCollection(kind_, place, user, options, sources);
    ASSERT_TRUE(opened.ok()) << opened.error().Text();
    collection_ = std::move(opened.value());
    dav_ = dynamic_cast<DavCollection*>(collection_.get());
    ASSERT_EQ(dav_ != nullptr, GetParam().server);
    ASSERT_TRUE(collection_->Check().ok()) << collection_->Check().error().Text();
  }

  // The item's text as the collection now holds it, or the error kind's name.
  std::string Text(const std::string& href) {
    DavResult<Item> item = collection_->Get(href);
    return item ? item->data : DavErrorKindName(item.error().kind);
  }

  // "ok", or the error kind's name; an error must start with the target.
  template <typename T>
  std::string Outcome(const DavResult<T>& result) {
    if (result) return "ok";
    EXPECT_EQ(result.error().Text().rfind(collection_->target(), 0), 0u) << result.error().Text();
    return DavErrorKindName(result.error().kind);
  }

  TempDir dir_;
  CollectionKind kind_ = CollectionKind::kContacts;
  std::unique_ptr<RadicaleServer> server_;
  DavCollection* dav_ = nullptr;
  std::unique_ptr<Collection> collection_;
};

TEST_P(CollectionContract, CreatedItemsListAndFetchInOneGo) {
  ASSERT_TRUE(collection_->List().ok());
  EXPECT_TRUE(collection_->List()->empty());
  const std::vector<std::string> uids = {"a1", "b2+x=y@example.org", "odd/uid with space é"};
  std::vector<ItemRef> created;
  for (const std::string& uid : uids) {
    DavResult<ItemRef> ref = collection_->Create(uid, ItemText(kind_, uid, "Name " + uid));
    ASSERT_TRUE(ref.ok()) << ref.error().Text();
    EXPECT_EQ(ref->href, ItemHrefForUid(uid, kind_));
    EXPECT_FALSE(ref->etag.empty());
    created.push_back(ref.value());
  }
  const uint64_t sent = dav_ ? dav_->client().requests_sent() : 0;
  DavResult<std::vector<ItemRef>> listed = collection_->List();
  ASSERT_TRUE(listed.ok()) << listed.error().Text();
  EXPECT_EQ(Sorted(listed.value()), Sorted(created));
  if (dav_) {
    EXPECT_EQ(dav_->client().requests_sent() - sent, 1u);
  }

  std::vector<std::string> hrefs;
  for (const ItemRef& ref : created) hrefs.push_back(ref.href);
  hrefs.push_back("missing" + std::string(ItemExtension(kind_)));
  DavResult<std::vector<Item>> items = collection_->Fetch(hrefs);
  ASSERT_TRUE(items.ok()) << items.error().Text();
  ASSERT_EQ(items->size(), uids.size());
  if (dav_) {
    EXPECT_EQ(dav_->client().requests_sent() - sent, 2u);
  }
  for (const Item& item : items.value()) {
    const size_t i = std::find(hrefs.begin(), hrefs.end(), item.href) - hrefs.begin();
    ASSERT_LT(i, uids.size());
    EXPECT_EQ(item.etag, created[i].etag);
    EXPECT_NE(item.data.find("UID:" + uids[i]), std::string::npos) << item.data;
    EXPECT_NE(item.data.find("Name " + uids[i]), std::string::npos) << item.data;
    EXPECT_EQ(Text(item.href), item.data);
  }
  EXPECT_EQ(Text(hrefs.back()), "not-found");
}

TEST_P(CollectionContract, WritesHappenOnlyOverTheVersionRead) {
  DavResult<ItemRef> first = collection_->Create("c1", ItemText(kind_, "c1", "First"));
  ASSERT_TRUE(first.ok()) << first.error().Text();
  const std::string href = first->href;
  EXPECT_EQ(Outcome(collection_->Create("c1", ItemText(kind_, "c1", "Again"))), "exists");

  DavResult<ItemRef> second =
      collection_->Update(href, ItemText(kind_, "c1", "Second"), first->etag);
  ASSERT_TRUE(second.ok()) << second.error().Text();
  EXPECT_NE(second->etag, first->etag);
  EXPECT_EQ(collection_->List()->front(), second.value());
  EXPECT_EQ(Outcome(collection_->Update(href, ItemText(kind_, "c1", "x"), first->etag)), "changed");
  EXPECT_EQ(Outcome(collection_->Delete(href, first->etag)), "changed");
  EXPECT_NE(Text(href).find("Second"), std::string::npos);

  ASSERT_EQ(Outcome(collection_->Delete(href, second->etag)), "ok");
  EXPECT_TRUE(collection_->List()->empty());
  EXPECT_EQ(Outcome(collection_->Update(href, ItemText(kind_, "c1", "x"), second->etag)),
            "changed");
  EXPECT_EQ(Text(href), "not-found");
}

const Backend kBackends[] = {
    {"VdirContacts", false, false, CollectionKind::kContacts},
    {"VdirCalendar", false, false, CollectionKind::kCalendar},
    {"RadicaleContacts", true, false, CollectionKind::kContacts},
    {"RadicaleCalendar", true, false, CollectionKind::kCalendar},
    {"RadicaleHttpsContacts", true, true, CollectionKind::kContacts},
};
INSTANTIATE_TEST_SUITE_P(Backends, CollectionContract, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo
