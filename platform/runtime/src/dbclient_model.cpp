// The packet model both codecs fill: its failure, its memory budget and the
// resolution of saved changes.
#include "dbclient_p.h"

namespace plat::dbc {

[[noreturn]] void Fail(const QString& message) { throw EDatabaseError(message); }

// ---------------------------------------------------------------------------
// Memory budget

void CheckRecordMemory(std::uint64_t rows, std::size_t fieldCount, const QString& noun) {
    if (rows > kMaxRecordMemory / RecordCost(fieldCount))
        Fail(QStringLiteral("%1 grande demais para abrir: %2 registros de %3 campos passam de %4 MiB em memória")
                 .arg(noun)
                 .arg(rows)
                 .arg(fieldCount)
                 .arg(kMaxRecordMemory >> 20));
}

// ---------------------------------------------------------------------------
// Saved changes

bool HoldsSavedChanges(const std::vector<StoredRow>& rows, const std::vector<std::uint32_t>& changeLog) {
    if (!changeLog.empty()) return true;
    for (const StoredRow& row : rows)
        if (row.status & (kRowDeleted | kRowInserted | kRowModified)) return true;
    return false;
}

std::vector<Record> ResolveChanges(std::vector<StoredRow>&& rows, const std::vector<std::uint32_t>& changeLog,
                                   const QString& noun) {
    std::vector<Record> visible;
    const std::size_t n = rows.size();
    if (changeLog.empty()) {
        visible.reserve(n);
        for (auto& row : rows)
            if ((row.status & kRowDeleted) == 0) visible.push_back(std::move(row.cells));
        return visible;
    }
    const QString bad = QStringLiteral("%1 com registro de alterações (CHANGE_LOG) inválido: ").arg(noun);
    if (changeLog.size() % 3 != 0) Fail(bad + QStringLiteral("%1 valores não formam triplas").arg(changeLog.size()));
    std::vector<std::int64_t> replacement(n, -1);
    std::vector<char> isChange(n, 0);
    std::vector<char> deleted(n, 0);
    for (std::size_t i = 0; i < n; ++i) deleted[i] = (rows[i].status & kRowDeleted) != 0;
    for (std::size_t t = 0; t < changeLog.size(); t += 3) {
        const std::uint32_t row = changeLog[t];
        const std::uint32_t original = changeLog[t + 1];
        const std::uint32_t action = changeLog[t + 2];
        if (row < 1 || row > n) Fail(bad + QStringLiteral("cita o registro %1, mas há %2").arg(row).arg(n));
        if (original > n) Fail(bad + QStringLiteral("cita o registro original %1, mas há %2").arg(original).arg(n));
        if (original == row) Fail(bad + QStringLiteral("o registro %1 aparece como original de si mesmo").arg(row));
        if (action & kRowDeleted) deleted[row - 1] = 1;
        if (original != 0) {
            replacement[original - 1] = row - 1;
            isChange[row - 1] = 1;
        }
    }
    visible.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (isChange[i] || deleted[i]) continue;
        Record merged = std::move(rows[i].cells);
        bool gone = false;
        std::size_t steps = 0;
        for (std::int64_t next = replacement[i]; next >= 0; next = replacement[static_cast<std::size_t>(next)]) {
            if (++steps > n) Fail(bad + QStringLiteral("alterações em ciclo a partir do registro %1").arg(i + 1));
            const StoredRow& version = rows[static_cast<std::size_t>(next)];
            for (std::size_t f = 0; f < merged.size() && f < version.cells.size(); ++f) {
                const bool keep = !version.unchanged.empty() && version.unchanged[f];
                if (!keep) merged[f] = version.cells[f];
            }
            if (deleted[static_cast<std::size_t>(next)]) {
                gone = true;
                break;
            }
        }
        if (!gone) visible.push_back(std::move(merged));
    }
    return visible;
}

}  // namespace plat::dbc
