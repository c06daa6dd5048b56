// A sync of a backup file with an address book of 920 cards when neither
// side changed: the cost of each run of `kivo-link sync` that finds nothing
// to do. Arg 0: a vdir folder; Arg 1: a real Radicale on the loopback
// (skipped where it is not installed). Each iteration is a whole run: new
// endpoints, the state read, one listing of the collection, the merge. The
// first sync, which writes the 920 cards, is measured once beside.

#include <chrono>
#include <memory>

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "dav/dav_collection.h"
#include "dav/open_collection.h"
#include "sides/backup_file_endpoint.h"
#include "sides/collection_endpoint.h"
#include "support/radicale_server.h"
#include "sync/sync_driver.h"

namespace kivo {
namespace {

constexpr int kCards = 920;

class Pair {
 public:
  explicit Pair(bool server) : dir_(bench::BenchDir() / (server ? "radicale" : "vdir")) {
    std::filesystem::create_directories(dir_ / "cards");
    place_ = (dir_ / "cards").string();
    if (server) {
      server_ = std::make_unique<RadicaleServer>();
      place_ = server_->collection_url(CollectionKind::kContacts);
    }
    context_.allowed.fill(1);
    context_.tables = &tables_;
  }
  const std::string& error() const { return server_ ? server_->error() : none_; }

  // One run; *requests receives the requests sent to the server.
  SyncReport Sync(uint64_t* requests) {
    BackupFileEndpoint file(dir_ / "pc.bkf", tables_, {2, 0});
    CredentialSources sources;
    sources.env_password = RadicaleServer::kPassword;
    auto collection = OpenCollection(CollectionKind::kContacts, place_,
                                     server_ ? RadicaleServer::kUser : "", {}, sources);
    CollectionEndpoint side(std::move(collection.value()), kAllSyncAppli, context_);
    SyncState state(dir_ / "state", file.Identity(), side.Identity(), tables_);
    SyncReport report = RunSync(file, side, state, {});
    auto* dav = dynamic_cast<DavCollection*>(&side.collection());
    *requests = dav != nullptr ? dav->client().requests_sent() : 0;
    return report;
  }

  // The file with the cards, and syncs until one changes nothing (a card
  // the address book says in other words comes back once). Seconds taken
  // by the first, or -1.
  double Fill() {
    BackupFileEndpoint file(dir_ / "pc.bkf", tables_, {2, 0});
    RecordSet none;
    if (!file.Read(AppliBit(kTelephone), {none, {}}, &none).ok()) return -1;
    Records cards;
    for (int i = 0; i < kCards; ++i) cards.push_back(bench::EncodeRecord(kTelephone, i));
    if (!file.Apply({{kTelephone, {}, cards}}, {none, {}}, false, [](AppliId) {}).status.ok()) {
      return -1;
    }
    const auto start = std::chrono::steady_clock::now();
    uint64_t requests = 0;
    if (!Sync(&requests).ok()) return -1;
    const std::chrono::duration<double> first = std::chrono::steady_clock::now() - start;
    for (int i = 0; i < 3; ++i) {
      const SyncReport again = Sync(&requests);
      if (!again.ok()) return -1;
      if ((again.written[0] | again.written[1]) == 0) return first.count();
    }
    return -1;
  }

 private:
  std::filesystem::path dir_;
  std::string place_;
  std::unique_ptr<RadicaleServer> server_;
  const CodeTables tables_ = CodeTables::Identity();
  ItemContext context_;
  std::string none_;
};

void BM_NoChangeSync(benchmark::State& state) {
  const bool server = state.range(0) == 1;
  state.SetLabel(server ? "Radicale" : "vdir");
  if (server && !RadicaleServer::Installed()) {
    state.SkipWithError("radicale is not installed");
    return;
  }
  Pair pair(server);
  const double first = pair.error().empty() ? pair.Fill() : -1;
  if (first < 0) {
    state.SkipWithError(("cannot set up: " + pair.error()).c_str());
    return;
  }
  uint64_t requests = 0;
  for (auto _ : state) {
    const SyncReport report = pair.Sync(&requests);
    if (!report.ok() || (report.written[0] | report.written[1]) != 0) {
      state.SkipWithError("a sync without a change wrote or failed");
      return;
    }
  }
  state.counters["cards"] = kCards;
  state.counters["requests_per_sync"] = static_cast<double>(requests);
  state.counters["first_sync_s"] = first;
}
BENCHMARK(BM_NoChangeSync)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kivo

int main(int argc, char** argv) { return kivo::bench::RunThenRemoveBenchDir(argc, argv); }
