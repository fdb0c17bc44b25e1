#include "app/history/history_schema.h"

#include "app/history/history_connection.h"
#include "app/history/history_error.h"

namespace vorn {

namespace {
// Every card printed, with its run's time, layout, day and output, so that a listing needs no
// join; and beside them the last card of each product on each layout, kept by a trigger, so
// that the change test is one lookup a product among neighbours, however long the history.
constexpr const char* kTablesOfVersion1 = R"(
CREATE TABLE runs (
  id INTEGER PRIMARY KEY,
  time INTEGER NOT NULL,
  layout TEXT NOT NULL,
  source TEXT NOT NULL,
  kind TEXT NOT NULL,
  sheet TEXT NOT NULL,
  day TEXT NOT NULL,
  output TEXT NOT NULL,
  cards INTEGER NOT NULL
);
CREATE TABLE cards (
  id INTEGER PRIMARY KEY,
  run INTEGER NOT NULL REFERENCES runs(id),
  time INTEGER NOT NULL,
  layout TEXT NOT NULL,
  product_id TEXT NOT NULL,
  barcode TEXT NOT NULL,
  name TEXT NOT NULL,
  short_name TEXT NOT NULL,
  unit TEXT NOT NULL,
  store_price TEXT NOT NULL,
  suggested_price TEXT NOT NULL,
  member_price TEXT NOT NULL,
  promo_price TEXT NOT NULL,
  promo_start TEXT NOT NULL,
  promo_end TEXT NOT NULL,
  promo_shown INTEGER NOT NULL,
  net_content TEXT NOT NULL,
  qr TEXT NOT NULL,
  copies INTEGER NOT NULL,
  day TEXT NOT NULL,
  output TEXT NOT NULL
);
CREATE INDEX cards_by_product ON cards(product_id);
CREATE TABLE last_cards (
  layout TEXT NOT NULL,
  product_id TEXT NOT NULL,
  card INTEGER NOT NULL REFERENCES cards(id),
  barcode TEXT NOT NULL,
  name TEXT NOT NULL,
  short_name TEXT NOT NULL,
  unit TEXT NOT NULL,
  store_price TEXT NOT NULL,
  suggested_price TEXT NOT NULL,
  member_price TEXT NOT NULL,
  promo_price TEXT NOT NULL,
  promo_start TEXT NOT NULL,
  promo_end TEXT NOT NULL,
  promo_shown INTEGER NOT NULL,
  net_content TEXT NOT NULL,
  qr TEXT NOT NULL,
  PRIMARY KEY (layout, product_id)
) WITHOUT ROWID;
CREATE TRIGGER cards_keep_last AFTER INSERT ON cards BEGIN
  INSERT OR REPLACE INTO last_cards VALUES (NEW.layout, NEW.product_id, NEW.id, NEW.barcode,
    NEW.name, NEW.short_name, NEW.unit, NEW.store_price, NEW.suggested_price, NEW.member_price,
    NEW.promo_price, NEW.promo_start, NEW.promo_end, NEW.promo_shown, NEW.net_content, NEW.qr);
END;
CREATE TABLE sheets (
  name TEXT PRIMARY KEY COLLATE NOCASE,
  next_label INTEGER NOT NULL,
  time INTEGER NOT NULL
);
PRAGMA user_version = 1;
)";

int SchemaVersion(HistoryConnection& connection) {
  HistoryStatement statement = connection.Prepare("PRAGMA user_version");
  return statement.Step() ? static_cast<int>(statement.Integer(0)) : 0;
}

void CheckNotNewer(HistoryConnection& connection, int version) {
  if (version > kHistorySchemaVersion) {
    throw HistoryUnavailable("The print history was written by a newer version of the program: " +
                             connection.Path());
  }
}
}  // namespace

void PrepareHistorySchema(HistoryConnection& connection) {
  // Readers never wait for a writer, and two writers take turns within the busy timeout. The
  // first statement may meet another program setting up the file or its shared memory, for
  // which SQLite does not wait itself.
  connection.ExecuteWaiting("PRAGMA journal_mode = WAL");
  // A large batch grows the log; it shrinks back once written into the file.
  connection.Execute("PRAGMA journal_size_limit = 4194304");
  const int version = SchemaVersion(connection);
  CheckNotNewer(connection, version);
  if (version == kHistorySchemaVersion) return;
  HistoryTransaction transaction(connection, HistoryTransaction::Kind::kWrite);
  // Another program may have made the tables while this one waited for the lock.
  const int locked_version = SchemaVersion(connection);
  CheckNotNewer(connection, locked_version);
  if (locked_version == 0) connection.Execute(kTablesOfVersion1);
  transaction.Commit();
}

}  // namespace vorn
