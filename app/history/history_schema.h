#pragma once

namespace vorn {

class HistoryConnection;

// The version of the tables this program writes, kept in the file's user_version.
inline constexpr int kHistorySchemaVersion = 1;

// Readies a freshly opened history: write-ahead logging, and the tables of this version, made
// in a new file and brought up from an older version. Throws HistoryUnavailable when the file
// is damaged, or written by a newer version, which is left untouched.
void PrepareHistorySchema(HistoryConnection& connection);

}  // namespace vorn
