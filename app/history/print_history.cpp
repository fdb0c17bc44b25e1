#include "app/history/print_history.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>
#include <utility>

#include "app/history/history_connection.h"
#include "app/history/history_schema.h"
#include "platform/system/user_folders.h"

namespace vorn {

namespace {
// The values of a card in the order of CardValues, as the tables of cards name them.
constexpr const char* kValueColumns =
    "product_id, barcode, name, short_name, unit, store_price, suggested_price, member_price, "
    "promo_price, promo_start, promo_end, promo_shown, net_content, qr";

// The texts of a card that stand before promo_shown in kValueColumns, in that order; for a
// const card and a card to be read into alike.
template <typename Card>
auto TextsBeforePromoShown(Card& card) {
  return std::array{&card.product_id,      &card.barcode,      &card.name,
                    &card.short_name,      &card.unit,         &card.store_price,
                    &card.suggested_price, &card.member_price, &card.promo_price,
                    &card.promo_start,     &card.promo_end};
}

void BindValues(HistoryStatement& statement, int first, const CardValues& card) {
  int parameter = first;
  for (const std::string* text : TextsBeforePromoShown(card)) statement.Bind(parameter++, *text);
  statement.Bind(parameter++, int64_t{card.promo_shown});
  statement.Bind(parameter++, card.net_content);
  statement.Bind(parameter, card.qr);
}

// Reads into `card`, whose strings keep their buffers from the last product read.
void ReadValues(const HistoryStatement& statement, int first, CardValues& card) {
  int column = first;
  for (std::string* text : TextsBeforePromoShown(card)) text->assign(statement.Text(column++));
  card.promo_shown = statement.Integer(column++) != 0;
  card.net_content.assign(statement.Text(column++));
  card.qr.assign(statement.Text(column));
}

int64_t Seconds(std::chrono::system_clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

int64_t Now() { return Seconds(std::chrono::system_clock::now()); }

const char* SourceName(RunSource source) {
  return source == RunSource::kDialog ? "dialog" : "command line";
}

const char* KindName(RunKind kind) {
  switch (kind) {
    case RunKind::kCard:
      return "card";
    case RunKind::kBatch:
      return "batch";
    case RunKind::kSheet:
      return "sheet";
  }
  return "card";
}

int64_t InsertRun(HistoryConnection& connection, const PrintedRun& run, int64_t time,
                  size_t cards) {
  HistoryStatement insert = connection.Prepare(
      "INSERT INTO runs (time, layout, source, kind, sheet, day, output, cards) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) RETURNING id");
  insert.Bind(1, time);
  insert.Bind(2, run.layout);
  insert.Bind(3, SourceName(run.source));
  insert.Bind(4, KindName(run.kind));
  insert.Bind(5, run.sheet);
  insert.Bind(6, run.day);
  insert.Bind(7, run.output);
  insert.Bind(8, static_cast<int64_t>(cards));
  insert.Step();
  const int64_t run_id = insert.Integer(0);
  insert.Step();  // done, so that nothing of the statement is left pending
  return run_id;
}

void InsertCards(HistoryConnection& connection, const PrintedRun& run, int64_t run_id, int64_t time,
                 std::span<const PrintedCard> cards) {
  HistoryStatement insert = connection.Prepare(
      std::string("INSERT INTO cards (run, time, layout, day, output, copies, ") + kValueColumns +
      ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, "
      "?18, ?19, ?20)");
  insert.Bind(1, run_id);
  insert.Bind(2, time);
  insert.Bind(3, run.layout);
  insert.Bind(4, run.day);
  insert.Bind(5, run.output);
  for (const PrintedCard& card : cards) {
    insert.Bind(6, int64_t{card.copies});
    BindValues(insert, 7, card.values);
    insert.Step();
    insert.Reset();
  }
}

// Looking the products up in the order of their numbers walks the last cards of the layout
// from one page to its neighbour instead of all over the file.
std::vector<std::pair<std::string_view, size_t>> ByProductId(
    size_t count, const std::function<const CardValues&(size_t)>& card) {
  std::vector<std::pair<std::string_view, size_t>> order;
  order.reserve(count);
  for (size_t index = 0; index < count; ++index) order.emplace_back(card(index).product_id, index);
  std::sort(order.begin(), order.end());
  return order;
}

// The columns of a listed card: run, time, layout, copies, day, output, then the values.
constexpr const char* kListedColumns = "run, time, layout, copies, day, output, ";

RecordedCard ReadRecordedCard(const HistoryStatement& statement) {
  RecordedCard card;
  card.run = statement.Integer(0);
  card.time = statement.Integer(1);
  card.layout = statement.TextCopy(2);
  card.copies = static_cast<int>(statement.Integer(3));
  card.day = statement.TextCopy(4);
  card.output = statement.TextCopy(5);
  ReadValues(statement, 6, card.values);
  return card;
}

// The smallest run number among the last `runs` runs; nullopt when none was recorded.
std::optional<int64_t> FirstOfLastRuns(HistoryConnection& connection, int runs) {
  HistoryStatement first =
      connection.Prepare("SELECT MIN(id) FROM (SELECT id FROM runs ORDER BY id DESC LIMIT ?1)");
  first.Bind(1, int64_t{runs});
  if (!first.Step() || first.IsNull(0)) return std::nullopt;
  return first.Integer(0);
}
}  // namespace

PrintHistory::PrintHistory() : PrintHistory(DefaultPath()) {}

PrintHistory::PrintHistory(const std::string& path, std::chrono::milliseconds busy_timeout)
    : connection_(std::make_unique<HistoryConnection>(path, busy_timeout)) {
  PrepareHistorySchema(*connection_);
}

PrintHistory::~PrintHistory() = default;
PrintHistory::PrintHistory(PrintHistory&&) noexcept = default;
PrintHistory& PrintHistory::operator=(PrintHistory&&) noexcept = default;

std::string PrintHistory::DefaultPath() {
  try {
    return PrivateUserFolder(UserFolderKind::kData, "vornreport") + "/history.sqlite";
  } catch (const Exception& error) {
    throw HistoryUnavailable(std::string("The folder of the print history cannot be used: ") +
                             error.what());
  }
}

const std::string& PrintHistory::Path() const { return connection_->Path(); }

int64_t PrintHistory::Record(const PrintedRun& run, std::span<const PrintedCard> cards) {
  if (cards.empty()) return 0;
  const int64_t time = run.time ? Seconds(*run.time) : Now();
  HistoryTransaction transaction(*connection_, HistoryTransaction::Kind::kWrite);
  const int64_t run_id = InsertRun(*connection_, run, time, cards.size());
  InsertCards(*connection_, run, run_id, time, cards);
  if (run.kind == RunKind::kSheet && !run.sheet.empty() && run.next_label > 0) {
    StoreNextLabel(run.sheet, run.next_label, time);
  }
  transaction.Commit();
  return run_id;
}

CardChanges PrintHistory::ChangedCards(const std::string& layout,
                                       std::span<const CardValues> cards) {
  return ChangedCards(layout, cards.size(),
                      [cards](size_t index) -> const CardValues& { return cards[index]; });
}

CardChanges PrintHistory::ChangedCards(const std::string& layout, size_t count,
                                       const std::function<const CardValues&(size_t)>& card) {
  enum class Change : char { kSame, kChanged, kNeverPrinted };
  std::vector<Change> changes(count);
  HistoryTransaction transaction(*connection_, HistoryTransaction::Kind::kRead);
  HistoryStatement last =
      connection_->Prepare(std::string("SELECT ") + kValueColumns +
                           " FROM last_cards WHERE layout = ?1 AND product_id = ?2");
  last.Bind(1, layout);
  CardValues last_card;
  for (const auto& [product_id, index] : ByProductId(count, card)) {
    last.Bind(2, product_id);
    if (!last.Step()) {
      changes[index] = Change::kNeverPrinted;
    } else {
      ReadValues(last, 0, last_card);
      changes[index] = CardDiffers(card(index), last_card) ? Change::kChanged : Change::kSame;
    }
    last.Reset();
  }
  transaction.Commit();
  CardChanges found;
  for (size_t index = 0; index < changes.size(); ++index) {
    if (changes[index] != Change::kSame) found.positions.push_back(index);
    if (changes[index] == Change::kNeverPrinted) ++found.never_printed;
  }
  return found;
}

void PrintHistory::ListCards(const HistorySelection& which,
                             const std::function<void(const RecordedCard&)>& visit) {
  HistoryTransaction transaction(*connection_, HistoryTransaction::Kind::kRead);
  if (!which.product_id.empty()) {
    HistoryStatement cards =
        connection_->Prepare(std::string("SELECT ") + kListedColumns + kValueColumns +
                             " FROM cards WHERE product_id = ?1 "
                             "ORDER BY id DESC");
    cards.Bind(1, which.product_id);
    while (cards.Step()) visit(ReadRecordedCard(cards));
  } else if (const auto first_run = FirstOfLastRuns(*connection_, which.last_runs)) {
    // A run's cards follow its run in one transaction, so the cards of the last runs are the
    // last cards, and the walk back ends at the first card of an older run.
    HistoryStatement cards = connection_->Prepare(std::string("SELECT ") + kListedColumns +
                                                  kValueColumns + " FROM cards ORDER BY id DESC");
    while (cards.Step() && cards.Integer(0) >= *first_run) visit(ReadRecordedCard(cards));
  }
  transaction.Commit();
}

std::optional<int> PrintHistory::NextLabel(const std::string& sheet) {
  HistoryStatement label = connection_->Prepare("SELECT next_label FROM sheets WHERE name = ?1");
  label.Bind(1, sheet);
  if (!label.Step()) return std::nullopt;
  return static_cast<int>(label.Integer(0));
}

void PrintHistory::SetNextLabel(const std::string& sheet, int label) {
  HistoryTransaction transaction(*connection_, HistoryTransaction::Kind::kWrite);
  StoreNextLabel(sheet, label, Now());
  transaction.Commit();
}

void PrintHistory::StoreNextLabel(const std::string& sheet, int label, int64_t time) {
  assert(label >= 1);
  HistoryStatement store = connection_->Prepare(
      "INSERT INTO sheets (name, next_label, time) VALUES (?1, ?2, ?3) "
      "ON CONFLICT (name) DO UPDATE SET next_label = excluded.next_label, time = excluded.time");
  store.Bind(1, sheet);
  store.Bind(2, int64_t{label});
  store.Bind(3, time);
  store.Step();
}

}  // namespace vorn
