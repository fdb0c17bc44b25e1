// The change test of a batch against a long print history, as `--changed` decides it: 100,000
// products against 1,000,000 recorded cards, each iteration in a fresh connection as a run has
// it; and the recording of a run's cards.
// Run: build/bench/vorn_history_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/history/print_history.h"

namespace vorn {
namespace {

constexpr int kProducts = 250000;  // printed on two layouts, twice each: 1,000,000 cards
constexpr int kBatch = 100000;
constexpr int kRunCards = 50000;

std::string ProductId(int number) { return std::to_string(4710000000000 + number * 7); }

CardValues Card(int number, int price) {
  CardValues card;
  card.product_id = ProductId(number);
  card.barcode = "4710088410108";
  card.name = "烏龍茶 無糖 600ml 第" + std::to_string(number) + "號";
  card.short_name = "烏龍茶";
  card.unit = "瓶";
  card.store_price = std::to_string(price);
  card.suggested_price = std::to_string(price + 5);
  card.member_price = std::to_string(price - 3);
  card.promo_price = std::to_string(price - 10);
  card.promo_start = "2025-03-01";
  card.promo_end = "2025-03-31";
  card.net_content = "600ml";
  return card;
}

PrintedRun BatchRun(const std::string& layout) {
  PrintedRun run;
  run.layout = layout;
  run.kind = RunKind::kBatch;
  run.output = "/tmp/cu0001.doc";
  run.day = "2025-03-01";
  return run;
}

int Price(int number) { return 20 + number % 400; }

// A folder of its own under the temporary folder, and the history in it.
struct BenchHistory {
  std::string folder;
  std::string path;
  int64_t cards = 0;
};

BenchHistory& History() {
  static BenchHistory bench;
  return bench;
}

void BuildHistory() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/vornhistory.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  History().folder = pattern;
  History().path = History().folder + "/history.sqlite";
  PrintHistory history(History().path);
  const auto start = std::chrono::steady_clock::now();
  for (int print = 0; print < 2; ++print) {
    for (const char* layout : {"SM1", "A4"}) {
      for (int first = 0; first < kProducts; first += kRunCards) {
        std::vector<PrintedCard> cards;
        for (int number = first; number < first + kRunCards; ++number) {
          cards.push_back({Card(number, Price(number) + (print == 0 ? 7 : 0)), 1});
        }
        history.Record(BatchRun(layout), cards);
        History().cards += kRunCards;
      }
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("history of %lld cards recorded in %.1f s (%.0f cards/s), %.0f MB\n",
              static_cast<long long>(History().cards), took.count(), History().cards / took.count(),
              std::filesystem::file_size(History().path) / 1048576.0);
}

// Catalogue order, shuffled: one product in a hundred has a new price, one is new.
std::vector<CardValues> Batch() {
  std::vector<CardValues> batch;
  for (int number = 0; number < kBatch; ++number) {
    if (number % 100 == 0) {
      batch.push_back(Card(kProducts + number, Price(number)));
    } else {
      batch.push_back(Card(number, Price(number) + (number % 100 == 1 ? 1 : 0)));
    }
  }
  std::shuffle(batch.begin(), batch.end(), std::mt19937(7));
  return batch;
}

void BM_ChangedCards(benchmark::State& state) {
  const std::vector<CardValues> batch = Batch();
  size_t changed = 0;
  for (auto _ : state) {
    PrintHistory history(History().path);
    changed = history.ChangedCards("SM1", batch).positions.size();
  }
  if (changed != 2 * kBatch / 100) state.SkipWithError("wrong number of changed products");
  state.counters["products"] = kBatch;
  state.counters["history"] = static_cast<double>(History().cards);
  state.counters["changed"] = static_cast<double>(changed);
}
BENCHMARK(BM_ChangedCards)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RecordRun(benchmark::State& state) {
  std::vector<PrintedCard> cards;
  for (int number = 0; number < state.range(0); ++number) cards.push_back({Card(number, 50), 1});
  PrintHistory history(History().path);
  for (auto _ : state) history.Record(BatchRun("B5"), cards);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RecordRun)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vorn

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vorn::BuildHistory();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(vorn::History().folder);
  return 0;
}
