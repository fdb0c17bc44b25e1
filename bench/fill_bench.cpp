// Card-filling throughput: cards from the in-memory table, written as RTF.
// Run: build/bench/vorn_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "platform/system/files.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::unique_ptr<TMemoryTable> Products(int count) {
  auto table = std::make_unique<TMemoryTable>();
  table->SetName("PRODUCTS");
  for (const char* name : {"PROD_ID", "PROD_BARCODE", "PROD_NAME", "PROD_SNAME", "UNITNAME"}) {
    table->AddFieldDef({name, ftString, 60, false});
  }
  for (const char* name : {"PSALE_PRICE", "SALE_PRICE", "VIP_PRICE"}) {
    table->AddFieldDef({name, ftInteger, 0, false});
  }
  table->CreateDataSet();
  for (int i = 0; i < count; ++i) {
    table->Append();
    table->Field(0).SetAsString("P" + std::to_string(1000000 + i));
    table->Field(1).SetAsString("4710979704880");
    table->Field(2).SetAsString("Pacific Whole Grain Tissue Paper 600ml");
    table->Field(3).SetAsString("PACIFI PAPER 600");
    table->Field(4).SetAsString("CAN");
    table->Field(5).SetAsInteger(2361 + i % 100);
    table->Field(6).SetAsInteger(2239);
    table->Field(7).SetAsInteger(1954);
    table->Post();
  }
  table->First();
  return table;
}

// The reference card with its scan taken out: one card per run.
std::string OneCardTemplate() {
  std::string card = ReadText(VORN_BENCH_DATA "/card-vorn.rtf");
  card = Replace(card, "\\\\SCAN(A)\\\\", "");
  return Replace(card, "\\\\ENDSCAN\\\\", "");
}

// The card's body written `copies` times into one template, as a program would repeat it.
std::string RepeatedCardTemplate(int copies) {
  const std::string card = OneCardTemplate();
  const size_t body_start = card.find("\\pard");
  const size_t body_end = card.rfind('}');
  std::string repeated = card.substr(0, body_start);
  for (int i = 0; i < copies; ++i) repeated += card.substr(body_start, body_end - body_start);
  return repeated + "}";
}

void RunFills(benchmark::State& state, const std::string& template_text, bool to_file) {
  TempFile template_file("vbt");
  template_file.Stream().Write(template_text);
  template_file.Stream().Flush();
  auto products = Products(1);
  TQeRTF report;
  report.SetInFile(template_file.Path());
  report.SetOutFile(TempDir() + "/vorn-bench-out.rtf");
  int64_t bytes = 0;
  for (auto _ : state) {
    if (to_file) {
      report.Execute({products.get()});
      bytes += *FileSize(report.OutFile());
    } else {
      TMemoryStream out;
      report.ExecuteToStream({products.get()}, out);
      bytes += out.Size();
    }
  }
  DeleteFile(report.OutFile());
  state.SetBytesProcessed(bytes);
}

void BM_OneCardToMemory(benchmark::State& state) { RunFills(state, OneCardTemplate(), false); }
BENCHMARK(BM_OneCardToMemory)->Unit(benchmark::kMicrosecond);

void BM_OneCardToFile(benchmark::State& state) { RunFills(state, OneCardTemplate(), true); }
BENCHMARK(BM_OneCardToFile)->Unit(benchmark::kMicrosecond);

void BM_RepeatedCardsToFile(benchmark::State& state) {
  RunFills(state, RepeatedCardTemplate(static_cast<int>(state.range(0))), true);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RepeatedCardsToFile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vorn

BENCHMARK_MAIN();
