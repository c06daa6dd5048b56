// The promises of Collection, held to by a vdir folder and by a real Radicale
// address book and calendar alike.

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "dav/dav_collection.h"
#include "dav/vdir_collection.h"
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
    if (!GetParam().server) {
      collection_ = std::make_unique<VdirCollection>(dir_.path(), kind_);
    } else {
      if (!RadicaleServer::Installed()) GTEST_SKIP() << "radicale is not installed";
      server_ = std::make_unique<RadicaleServer>(GetParam().tls);
      ASSERT_TRUE(server_->running()) << server_->error();
      auto dav = std::make_unique<DavCollection>(
          ParseCollectionUrl(server_->collection_url(kind_)).value(), kind_, server_->options());
      dav_ = dav.get();
      collection_ = std::move(dav);
    }
    ASSERT_TRUE(collection_->Check().ok()) << collection_->Check().error().Text();
  }

  // Stores an item as another program would, under a name of its choosing.
  void PutForeign(const std::string& href, const std::string& data) {
    if (!dav_) {
      WriteText(dir_ / href, data);
      return;
    }
    HttpClient client(server_->options());
    DavResult<HttpResponse> put =
        client.Send({"PUT", ItemUrl(dav_->url(), href), {}, ItemContentType(kind_), data});
    ASSERT_TRUE(put.ok() && put->status == 201) << (put ? put->status : 0);
  }

  // The item's text as the collection now holds it, or the error kind's name.
  std::string Text(const std::string& href) {
    DavResult<Item> item = collection_->Get(href);
    return item ? item->data : DavErrorKindName(item.error().kind);
  }

  void ExpectConflict(const DavError& error, DavErrorKind kind) {
    EXPECT_EQ(DavErrorKindName(error.kind), DavErrorKindName(kind)) << error.Text();
    EXPECT_NE(error.Text().find(collection_->target()), std::string::npos) << error.Text();
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
  const std::vector<std::string> uids = {"a1", "b2@example.org", "odd/uid with space"};
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

  // Names other programs chose round-trip through listing, fetching and writing.
  const std::string foreign = "Ann Smith (é+%)" + std::string(ItemExtension(kind_));
  PutForeign(foreign, ItemText(kind_, "f1", "Foreign"));
  DavResult<std::vector<ItemRef>> again = collection_->List();
  ASSERT_TRUE(again.ok());
  auto found =
      std::find_if(again->begin(), again->end(), [&](auto& r) { return r.href == foreign; });
  ASSERT_NE(found, again->end());
  ASSERT_TRUE(collection_->Fetch({foreign}).ok());
  ASSERT_EQ(collection_->Fetch({foreign})->size(), 1u);
  EXPECT_TRUE(collection_->Update(foreign, ItemText(kind_, "f1", "Mine"), found->etag).ok());
  EXPECT_NE(Text(foreign).find("Mine"), std::string::npos);
}

TEST_P(CollectionContract, WritesHappenOnlyOverTheVersionRead) {
  DavResult<ItemRef> first = collection_->Create("c1", ItemText(kind_, "c1", "First"));
  ASSERT_TRUE(first.ok()) << first.error().Text();
  const std::string href = first->href;

  DavResult<ItemRef> again = collection_->Create("c1", ItemText(kind_, "c1", "Again"));
  ASSERT_FALSE(again.ok());
  ExpectConflict(again.error(), DavErrorKind::kExists);
  EXPECT_NE(Text(href).find("First"), std::string::npos);

  DavResult<ItemRef> second =
      collection_->Update(href, ItemText(kind_, "c1", "Second"), first->etag);
  ASSERT_TRUE(second.ok()) << second.error().Text();
  EXPECT_NE(second->etag, first->etag);
  EXPECT_EQ(collection_->List()->front(), second.value());

  DavResult<ItemRef> stale = collection_->Update(href, ItemText(kind_, "c1", "Stale"), first->etag);
  ASSERT_FALSE(stale.ok());
  ExpectConflict(stale.error(), DavErrorKind::kChanged);
  DavStatus stale_delete = collection_->Delete(href, first->etag);
  ASSERT_FALSE(stale_delete.ok());
  ExpectConflict(stale_delete.error(), DavErrorKind::kChanged);
  EXPECT_NE(Text(href).find("Second"), std::string::npos);

  ASSERT_TRUE(collection_->Delete(href, second->etag).ok());
  EXPECT_TRUE(collection_->List()->empty());
  DavResult<ItemRef> gone = collection_->Update(href, ItemText(kind_, "c1", "Back"), second->etag);
  ASSERT_FALSE(gone.ok());
  ExpectConflict(gone.error(), DavErrorKind::kChanged);
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

// What else lies in a vdir folder is not an item; a folder of vdirs is not one.
TEST(VdirCollection, ListsOnlyItemFilesAndPointsAtVdirsBeneath) {
  TempDir dir;
  for (const char* name : {".hidden.vcf", "a.vcf~", ".a.vcf.12.0.tmp", "color", "displayname"}) {
    WriteText(dir / name, "BEGIN:VCARD\r\nEND:VCARD\r\n");
  }
  VdirCollection contacts(dir.path(), CollectionKind::kContacts);
  ASSERT_TRUE(contacts.Check().ok());
  ASSERT_TRUE(contacts.List().ok());
  EXPECT_TRUE(contacts.List()->empty());

  std::filesystem::create_directory(dir / "work");
  WriteText(dir / "work" / "x.VCF", "BEGIN:VCARD\r\nEND:VCARD\r\n");
  DavStatus check = contacts.Check();
  ASSERT_FALSE(check.ok());
  EXPECT_EQ(check.error().kind, DavErrorKind::kNotCollection);
  EXPECT_NE(check.error().Text().find((dir / "work").string()), std::string::npos);
}

}  // namespace
}  // namespace kivo
