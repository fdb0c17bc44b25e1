#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/card/card_values.h"
#include "app/history/card_change.h"
#include "app/history/history_error.h"

namespace vorn {

class HistoryConnection;

// Where a print was started.
enum class RunSource { kDialog, kCommandLine };
// What a print made: one product's card, a batch, or cards laid on a label sheet.
enum class RunKind { kCard, kBatch, kSheet };

// One run's facts, as the history keeps them beside its cards.
struct PrintedRun {
  std::string layout;
  RunSource source = RunSource::kCommandLine;
  RunKind kind = RunKind::kCard;
  std::string output;  // the document written, its PDF, or the printer it went to
  std::string day;     // the day the cards hang, YYYY-MM-DD
  std::string sheet;   // the label sheet of a kSheet run, "" for none
  // The sheet's first label left free after this run, kept as its position for the next
  // (see NextLabel); 0 keeps the position it had.
  int next_label = 0;
  std::optional<std::chrono::system_clock::time_point> time;  // now unless given
};

// A card of a run: what it showed, and how many of it were printed.
struct PrintedCard {
  CardValues values;
  int copies = 1;
};

// A card as the history lists it.
struct RecordedCard {
  int64_t run = 0;
  int64_t time = 0;  // seconds since 1970-01-01 UTC
  std::string layout;
  CardValues values;
  int copies = 0;
  std::string day;
  std::string output;
};

// What the change test found in a batch.
struct CardChanges {
  // The positions in the batch, ascending, of the products whose card changed or that never had
  // a card on the layout.
  std::vector<size_t> positions;
  size_t never_printed = 0;  // how many of them never had a card on the layout
};

// Which cards a listing shows: every card of one product, or those of the last runs.
struct HistorySelection {
  std::string product_id;  // "" for the last runs
  int last_runs = 10;

  static HistorySelection OfProduct(std::string product_id) { return {std::move(product_id)}; }
  static HistorySelection OfLastRuns(int runs) { return {"", runs}; }  // runs >= 1
};

// The record of printed cards, in an SQLite file of the user's. Several programs may use it at
// once; one object serves one thread at a time. Every failure throws HistoryUnavailable, which
// must never stop a print: the caller warns and prints on. A damaged file is left as it is for
// the user to move away.
class PrintHistory {
 public:
  static constexpr std::chrono::milliseconds kBusyTimeout{3000};

  // The user's history, $XDG_DATA_HOME/vornreport/history.sqlite (~/.local/share/...), made
  // with its folder (0700, checked to be the user's own) when missing.
  PrintHistory();
  // The history in the file `path`, waiting up to `busy_timeout` for another program's write.
  explicit PrintHistory(const std::string& path,
                        std::chrono::milliseconds busy_timeout = kBusyTimeout);
  ~PrintHistory();
  PrintHistory(PrintHistory&&) noexcept;
  PrintHistory& operator=(PrintHistory&&) noexcept;
  PrintHistory(const PrintHistory&) = delete;
  PrintHistory& operator=(const PrintHistory&) = delete;

  // The file of the user's history, its folder made and checked as for PrintHistory().
  static std::string DefaultPath();
  const std::string& Path() const;

  // Records a run and its cards, all or nothing, and for a sheet run its next free label.
  // Call it once the document is written (printed, for a printer). Returns the run's number;
  // 0 for no cards, which records nothing.
  int64_t Record(const PrintedRun& run, std::span<const PrintedCard> cards);

  // The products of `cards` whose card would differ (CardDiffers) from the last card recorded
  // for the same product on `layout`, or that never had one there. One snapshot of the history,
  // whatever another program records meanwhile.
  CardChanges ChangedCards(const std::string& layout, std::span<const CardValues> cards);
  // The same for `count` cards that `card` hands out by position, for callers that keep them
  // inside records of their own.
  CardChanges ChangedCards(const std::string& layout, size_t count,
                           const std::function<const CardValues&(size_t)>& card);

  // Hands `which` cards to `visit` one at a time, newest first.
  void ListCards(const HistorySelection& which,
                 const std::function<void(const RecordedCard&)>& visit);

  // The first free label of the label sheet `sheet` (any case) as the last sheet run left it;
  // nullopt when no run has used that sheet.
  std::optional<int> NextLabel(const std::string& sheet);
  void SetNextLabel(const std::string& sheet, int label);

 private:
  void StoreNextLabel(const std::string& sheet, int label, int64_t time);

  std::unique_ptr<HistoryConnection> connection_;
};

// Writes `which` cards of `history` to `out` as a table: a header line, then one line a card,
// newest first, columns apart by tabs. Time is local, "YYYY-MM-DD HH:MM:SS"; the promotion's
// columns are filled where the card showed it. A backslash, tab, line break or other control
// character inside a value is written as \\, \t, \n, \r or \xHH. Returns the number of cards.
int64_t WriteHistoryTable(PrintHistory& history, const HistorySelection& which, std::ostream& out);

}  // namespace vorn
